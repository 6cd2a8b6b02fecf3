// CSV export of table windows.
#include "views/CsvExport.h"

#include "ui/ErrorHandler.h"
#include "ui/Messages.h"
#include "views/DataView.h"
#include "views/DateFormats.h"
#include "views/MeasurementModel.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QMenu>
#include <QProgressDialog>
#include <QSaveFile>

namespace orvex::views {

namespace {

constexpr int kExportPage = 1000;

QString measurementTimeFormat() {
    QString format = QLocale().timeFormat(QLocale::ShortFormat);
    if (!format.contains(u's'))
        format.replace(QStringLiteral("mm"), QStringLiteral("mm:ss"));
    return format;
}

} // namespace

QChar csvSeparator(const QLocale &locale) {
    return locale.decimalPoint() == QStringLiteral(",") ? QLatin1Char(';') : QLatin1Char(',');
}

QString csvField(const QString &text, QChar separator) {
    if (!text.contains(separator) && !text.contains(QLatin1Char('"')) &&
        !text.contains(QLatin1Char('\n')) && !text.contains(QLatin1Char('\r')))
        return text;
    QString quoted = text;
    quoted.replace(QStringLiteral("\""), QStringLiteral("\"\""));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

CsvResult exportCsv(const QString &path, const store::Table &table, const QStringList &headers,
                    const CsvRowFormat &format, const std::function<bool(qint64)> &progress,
                    const QLocale &locale) {
    CsvResult result;
    const QChar sep = csvSeparator(locale);
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        result.error = QStringLiteral("Не удаётся записать файл %1: %2")
                           .arg(QDir::toNativeSeparators(path), file.errorString());
        return result;
    }
    auto line = [&](const QStringList &cells) {
        QStringList out;
        out.reserve(cells.size());
        for (const QString &c : cells)
            out << csvField(c, sep);
        return (out.join(sep) + QStringLiteral("\r\n")).toUtf8();
    };
    QByteArray chunk("\xEF\xBB\xBF");
    chunk += line(headers);
    try {
        QList<store::Row> page = table.firstPage(kExportPage);
        while (!page.isEmpty()) {
            for (const store::Row &row : page)
                chunk += line(format(row));
            result.rows += page.size();
            if (file.write(chunk) != chunk.size())
                break;
            chunk.clear();
            if (progress && !progress(result.rows)) {
                file.cancelWriting();
                result.cancelled = true;
                return result;
            }
            if (page.size() < kExportPage)
                break;
            page = table.pageAfter(page.last(), kExportPage);
        }
    } catch (const SystemError &e) {
        file.cancelWriting();
        result.error = e.text();
        return result;
    }
    if (!chunk.isEmpty())
        file.write(chunk);
    if (!file.commit()) {
        result.error = QStringLiteral("Не удаётся записать файл %1: %2")
                           .arg(QDir::toNativeSeparators(path), file.errorString());
        return result;
    }
    result.written = true;
    return result;
}

QStringList measurementHeaders() {
    QStringList h;
    for (int c = 0; c < MeasurementModel::kColumns; ++c)
        h << MeasurementModel::columnTitle(c);
    return h;
}

CsvRowFormat measurementFormat() {
    QLocale locale;
    locale.setNumberOptions(QLocale::OmitGroupSeparator);
    const QString timeFormat = measurementTimeFormat();
    return [locale, timeFormat](const store::Row &row) {
        QStringList cells;
        cells.reserve(MeasurementModel::kColumns);
        for (int c = 0; c < MeasurementModel::kColumns; ++c) {
            const QVariant value = row.values.value(c + 1);
            if (value.isNull()) {
                cells << QString();
                continue;
            }
            switch (c) {
            case MeasurementModel::DateColumn:
                cells << shortDateText(value.toDate());
                break;
            case MeasurementModel::TimeColumn:
                cells << locale.toString(value.toTime(), timeFormat);
                break;
            case MeasurementModel::UnitColumn:
            case MeasurementModel::AlarmColumn:
                cells << QString::number(value.toLongLong());
                break;
            default:
                cells << locale.toString(value.toDouble(), 'g', 15);
            }
        }
        return cells;
    };
}

QStringList measurementCells(const store::Row &row) {
    return measurementFormat()(row);
}

void exportCsvInteractive(QWidget *parent, const store::Table &table, const QStringList &headers,
                          const CsvRowFormat &format, const QString &suggestedName,
                          qint64 expectedRows) {
    const QString path = QFileDialog::getSaveFileName(parent, QStringLiteral("Экспорт в CSV"),
                                                      QDir::home().filePath(suggestedName),
                                                      QStringLiteral("Файлы CSV (*.csv)"));
    if (path.isEmpty())
        return;
    QProgressDialog dialog(QStringLiteral("Экспорт в CSV..."), QStringLiteral("Отмена"), 0,
                           int(std::min<qint64>(expectedRows, 1000000000)), parent);
    dialog.setWindowTitle(QStringLiteral("Экспорт в CSV"));
    dialog.setWindowModality(Qt::WindowModal);
    dialog.setMinimumDuration(500);
    const CsvResult r = exportCsv(path, table, headers, format, [&](qint64 rows) {
        if (expectedRows > 0)
            dialog.setValue(int(std::min<qint64>(rows, dialog.maximum())));
        QApplication::processEvents();
        return !dialog.wasCanceled();
    });
    dialog.reset();
    if (r.written)
        ui::showInformation(QStringLiteral("Записано строк: %1\n%2")
                                .arg(r.rows)
                                .arg(QDir::toNativeSeparators(path)),
                            parent);
    else if (!r.cancelled)
        ui::showError(r.error, parent);
}

void addCsvExportMenu(TDataViewForm &view, const QString &suggestedName) {
    MeasurementGrid *grid = view.DBGrid1;
    grid->setContextMenuPolicy(Qt::CustomContextMenu);
    QObject::connect(grid, &QWidget::customContextMenuRequested, &view,
                     [&view, grid, suggestedName](const QPoint &at) {
                         QMenu menu(&view);
                         menu.addAction(QStringLiteral("Экспорт в CSV..."), &view, [&] {
                             ui::guarded(
                                 [&] {
                                     store::Table &t = view.table();
                                     if (!t.isOpen())
                                         return;
                                     exportCsvInteractive(&view, t, measurementHeaders(),
                                                          measurementFormat(), suggestedName,
                                                          t.recordCount());
                                 },
                                 &view);
                         });
                         menu.exec(grid->viewport()->mapToGlobal(at));
                     });
}

} // namespace orvex::views
