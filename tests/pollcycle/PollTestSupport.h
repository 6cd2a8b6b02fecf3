// Helpers of the poll cycle and recording tests: a temporary program folder
// with the five tables, direct reads of a table file, bulk filling of a
// table, and the unit simulator on a pseudo-terminal.
#pragma once

#include "store/Installer.h"
#include "store/Location.h"
#include "store/Table.h"
#include "tests/support/TestSupport.h"

#include <QByteArray>
#include <QDir>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QString>
#include <QStringList>
#include <QUuid>
#include <QVariant>
#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <ostream>

inline void PrintTo(const QString &s, std::ostream *os) {
    *os << '"' << s.toStdString() << '"';
}

namespace orvex::polling::test {

// A raw SQLite connection on one table file, for checking what the program
// stored (and for filling a table quickly), closed when the object goes.
class RawTable {
public:
    RawTable(const QString &file, bool readOnly = true) : m_name(QUuid::createUuid().toString()) {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_name);
        db.setDatabaseName(file);
        db.setConnectOptions(readOnly
                                 ? QStringLiteral("QSQLITE_OPEN_READONLY;QSQLITE_BUSY_TIMEOUT=5000")
                                 : QStringLiteral("QSQLITE_BUSY_TIMEOUT=5000"));
        if (!db.open())
            ADD_FAILURE() << "cannot open " << file.toStdString();
    }
    ~RawTable() {
        QSqlDatabase::database(m_name, false).close();
        QSqlDatabase::removeDatabase(m_name);
    }
    RawTable(const RawTable &) = delete;
    RawTable &operator=(const RawTable &) = delete;

    // All rows of a query, each a list of values.
    QList<QVariantList> rows(const QString &sql) const {
        QSqlQuery q(QSqlDatabase::database(m_name));
        QList<QVariantList> out;
        if (!q.exec(sql)) {
            ADD_FAILURE() << sql.toStdString() << ": " << q.lastError().text().toStdString();
            return out;
        }
        while (q.next()) {
            QVariantList r;
            for (int i = 0; i < q.record().count(); ++i)
                r << q.value(i);
            out << r;
        }
        return out;
    }
    QVariant scalar(const QString &sql) const {
        const auto r = rows(sql);
        return r.isEmpty() || r.first().isEmpty() ? QVariant() : r.first().first();
    }
    void exec(const QString &sql) const {
        QSqlQuery q(QSqlDatabase::database(m_name));
        if (!q.exec(sql))
            ADD_FAILURE() << sql.toStdString() << ": " << q.lastError().text().toStdString();
    }

private:
    QString m_name;
};

// Adds `count` rows of unit 1 to a measurement table (Signals or Arc) or to
// Plot, in one statement; D1 holds the running number 1..count.
inline void bulkFill(const QString &file, const QString &sqlTable, qint64 count) {
    RawTable t(file, false);
    const bool plot = sqlTable == QLatin1String("Plot");
    t.exec(QStringLiteral("WITH RECURSIVE c(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM c "
                          "WHERE x < %1) INSERT INTO \"%2\" %3 SELECT %4 FROM c")
               .arg(count)
               .arg(sqlTable,
                    plot ? QStringLiteral("(UnitNo, D1)")
                         : QStringLiteral("(Date, Time, UnitNo, D1, Alarm)"),
                    plot ? QStringLiteral("1, x")
                         : QStringLiteral("'2026-01-01', '00:00:00', 1, x, 0")));
}

// A temporary program folder with a fresh database and the alias.
class DatabaseFolder {
public:
    DatabaseFolder() {
        store::createDatabase(database());
        store::defineAlias(QString::fromLatin1(store::kAliasName), QStringLiteral("Database"));
    }
    QString path() const { return m_folder.path(); }
    QString database() const { return m_folder.file(QStringLiteral("Database")); }
    QString table(const QString &file) const { return database() + QLatin1Char('/') + file; }

    std::unique_ptr<store::Table> open(const QString &file, const QString &fieldList = {}) const {
        auto t = std::make_unique<store::Table>();
        t->setDatabaseName(QString::fromLatin1(store::kAliasName));
        t->setTableName(file);
        if (!fieldList.isEmpty())
            t->setIndexFieldNames(fieldList);
        t->open();
        return t;
    }

private:
    orvex::test::TempProgramFolder m_folder;
};

// The unit simulator on a pseudo-terminal linked as `link`; stopped (SIGKILL
// on request, else SIGTERM) when the object goes.
class Simulator {
public:
    Simulator(const QString &link, const QStringList &arguments) {
        m_process.setProgram(QStringLiteral(ORVEX_UNITSIM));
        m_process.setArguments(
            QStringList{QStringLiteral("--link"), link, QStringLiteral("--verbose")} + arguments);
        m_process.start();
        if (!m_process.waitForStarted(5000)) {
            ADD_FAILURE() << "unitsim did not start";
            return;
        }
        // "ready PATH" once the link is in place.
        while (!m_out.contains("ready") && m_process.state() == QProcess::Running) {
            if (!m_process.waitForReadyRead(10000))
                break;
            m_out += m_process.readAllStandardOutput();
        }
        if (!m_out.contains("ready"))
            ADD_FAILURE() << "unitsim did not get ready: "
                          << m_process.readAllStandardError().constData();
    }
    ~Simulator() { stop(); }
    Simulator(const Simulator &) = delete;
    Simulator &operator=(const Simulator &) = delete;

    void kill() {
        if (m_process.state() != QProcess::NotRunning) {
            m_process.kill();
            m_process.waitForFinished(5000);
        }
    }
    void stop() {
        if (m_process.state() != QProcess::NotRunning) {
            m_process.terminate();
            if (!m_process.waitForFinished(5000))
                kill();
        }
    }
    // What the simulator logged (--verbose): lines "request .." / "reply ..".
    QString log() {
        m_err += m_process.readAllStandardError();
        return QString::fromUtf8(m_err);
    }

private:
    QProcess m_process;
    QByteArray m_out, m_err;
};

} // namespace orvex::polling::test
