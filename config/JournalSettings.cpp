// The [Journal] section and the settings comparison.
#include "config/JournalSettings.h"

#include "config/ProfileFile.h"

#include <algorithm>
#include <utility>

namespace orvex::config {

namespace {

const QString kJournal = QStringLiteral("Journal");

QString flag(bool on) {
    return on ? QStringLiteral("1") : QStringLiteral("0");
}

// The keys an operator sets, with their values as the file holds them.
QList<std::pair<QString, QString>> keyValues(const TSettings &s) {
    QList<std::pair<QString, QString>> kv{
        {QStringLiteral("ChannalsMaxAmount"), QString::number(s.ChannalsMaxAmount)},
        {QStringLiteral("UnitsAmount"), QString::number(s.UnitsAmount)},
        {QStringLiteral("Period"), QString::number(s.PeriodMs / 1000)},
        {QStringLiteral("CurrKeepTime"), QString::number(s.CurrKeepTime)},
        {QStringLiteral("ArcLevel"), QString::number(s.ArcLevel)},
        {QStringLiteral("ScanShow"), flag(s.ScanShow)},
        {QStringLiteral("%L2_ON"), flag(s.L2ProcOn)},
        {QStringLiteral("ShowHint2"), flag(s.ShowHint2)},
        {QStringLiteral("ShowHint3"), flag(s.ShowHint3)},
        {QStringLiteral("No"), QString::number(s.ComPortNo)},
        {QStringLiteral("Speed"), s.Speed.trimmed()},
        {QStringLiteral("Sound_ON"), flag(s.Sound_ON)},
        {QStringLiteral("AutoRep"), flag(s.AutoRep)},
        {QStringLiteral("Amount"), QString::number(s.Amount)},
        {QStringLiteral("SoundFile"), s.SoundFile},
    };
    for (int n = 1; n <= kMaxUnits; ++n)
        if (n <= std::clamp(s.UnitsAmount, 1, kMaxUnits))
            kv.append({unitAddressKey(n), QString::number(s.UnitAddr[std::size_t(n)])});
    return kv;
}

} // namespace

JournalSettings loadJournalSettings(const QString &path) {
    const ProfileFile file = ProfileFile::load(path);
    JournalSettings j;
    j.LossPolls = std::clamp(file.readInteger(kJournal, QStringLiteral("LossPolls"), 3), 1, 99);
    j.Latch = file.readBool(kJournal, QStringLiteral("Latch"), false);
    j.LossSound = file.readBool(kJournal, QStringLiteral("LossSound"), false);
    j.Marks = file.readBool(kJournal, QStringLiteral("Marks"), false);
    return j;
}

void saveJournalSettings(const JournalSettings &j, const QString &path) {
    ProfileFile file = ProfileFile::load(path);
    file.writeInteger(kJournal, QStringLiteral("LossPolls"), std::clamp(j.LossPolls, 1, 99));
    file.writeBool(kJournal, QStringLiteral("Latch"), j.Latch);
    file.writeBool(kJournal, QStringLiteral("LossSound"), j.LossSound);
    file.writeBool(kJournal, QStringLiteral("Marks"), j.Marks);
    file.save();
}

QStringList settingsChanges(const TSettings &before, const TSettings &after) {
    const auto a = keyValues(before);
    const auto b = keyValues(after);
    QStringList changes;
    for (const auto &[key, value] : b) {
        QString old;
        bool found = false;
        for (const auto &[k, v] : a)
            if (k == key) {
                old = v;
                found = true;
                break;
            }
        if (!found)
            changes << key + QStringLiteral(": (нет) → ") + value;
        else if (old != value)
            changes << key + QStringLiteral(": ") + old + QStringLiteral(" → ") + value;
    }
    for (const auto &entry : a) {
        const QString &key = entry.first;
        const bool present =
            std::any_of(b.begin(), b.end(), [&](const auto &p) { return p.first == key; });
        if (!present)
            changes << key + QStringLiteral(": ") + entry.second + QStringLiteral(" → (нет)");
    }
    return changes;
}

} // namespace orvex::config
