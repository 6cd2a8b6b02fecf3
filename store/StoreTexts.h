// The store's own error texts (shown to the operator as they are).
#pragma once

#include <QString>

namespace orvex::store::texts {

inline QString aliasNotDefined(const QString &alias) {
    return QStringLiteral("Псевдоним базы данных \"%1\" не определён").arg(alias);
}
inline QString aliasFileUnreadable(const QString &file) {
    return QStringLiteral("Не удаётся прочитать файл псевдонимов базы данных %1").arg(file);
}
inline QString aliasFileUnwritable(const QString &file) {
    return QStringLiteral("Не удаётся записать файл псевдонимов базы данных %1").arg(file);
}
inline QString folderMissing(const QString &folder) {
    return QStringLiteral("Папка базы данных не найдена: %1").arg(folder);
}
inline QString tableMissing(const QString &table, const QString &folder) {
    return QStringLiteral("Таблица %1 не найдена в папке базы данных %2").arg(table, folder);
}
inline QString cannotOpen(const QString &table, const QString &detail) {
    return QStringLiteral("Не удаётся открыть таблицу %1: %2").arg(table, detail);
}
inline QString wrongStructure(const QString &table) {
    return QStringLiteral("Структура таблицы %1 не совпадает с ожидаемой").arg(table);
}
inline QString sqlFailed(const QString &table, const QString &detail) {
    return QStringLiteral("Ошибка базы данных в таблице %1: %2").arg(table, detail);
}
inline QString unknownTable(const QString &table) {
    return QStringLiteral("Неизвестная таблица: %1").arg(table);
}
inline QString notOpen(const QString &table) {
    return QStringLiteral("Таблица %1 не открыта").arg(table);
}
inline QString alreadyOpen(const QString &table) {
    return QStringLiteral("Таблица %1 открыта: сначала её надо закрыть").arg(table);
}
inline QString readOnly(const QString &table) {
    return QStringLiteral("Таблица %1 открыта только для чтения").arg(table);
}
inline QString noField(const QString &field, const QString &table) {
    return QStringLiteral("Поле %1 не найдено в таблице %2").arg(field, table);
}
inline QString noIndex(const QString &index, const QString &table) {
    return QStringLiteral("Индекс %1 не найден в таблице %2").arg(index, table);
}
inline QString keyViolation(const QString &table) {
    return QStringLiteral("Нарушение ключа в таблице %1: такая запись уже есть").arg(table);
}
inline QString badValue(const QString &value, const QString &field) {
    return QStringLiteral("Недопустимое значение \"%1\" для поля %2").arg(value, field);
}
inline QString badFilter(const QString &expression) {
    return QStringLiteral("Недопустимое выражение фильтра: \"%1\"").arg(expression);
}
inline QString notEditing(const QString &table) {
    return QStringLiteral("Таблица %1 не в режиме правки или добавления").arg(table);
}
inline QString noCurrentRow(const QString &table) {
    return QStringLiteral("Таблица %1 пуста: нет текущей записи").arg(table);
}
inline QString readOnlyField(const QString &field) {
    return QStringLiteral("Поле %1 заполняется автоматически").arg(field);
}
inline QString noRecordNumber(const QString &table) {
    return QStringLiteral("В таблице %1 нет номера записи для удаления старых записей").arg(table);
}
inline QString passwordInUri() {
    return QStringLiteral("Пароль в адресе сервера базы данных не допускается: "
                          "он задаётся в файле паролей клиента (.pgpass)");
}
inline QString badSchema(const QString &schema) {
    return QStringLiteral("Недопустимая схема станции в адресе сервера базы данных: \"%1\"")
        .arg(schema);
}
inline QString badServerParameter(const QString &key) {
    return QStringLiteral("Недопустимый параметр \"%1\" в адресе сервера базы данных").arg(key);
}
inline QString serverUnreachable(const QString &server, const QString &detail) {
    return QStringLiteral("Сервер базы данных %1 недоступен: %2").arg(server, detail);
}
inline QString serverTableMissing(const QString &table, const QString &server) {
    return QStringLiteral("Таблица %1 не найдена на сервере базы данных %2").arg(table, server);
}
inline QString connectionLostInTransaction() {
    return QStringLiteral("связь с сервером потеряна, запись не сохранена");
}
inline QString transactionFailed() {
    return QStringLiteral("запись не сохранена: одна из её операций не выполнена");
}

} // namespace orvex::store::texts
