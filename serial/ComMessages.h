// The fixed texts the serial component raises, exactly as the operator reads
// them.
#pragma once

#include <QString>

namespace orvex::serial::msg {

inline QString noSuchPort() {
    return QStringLiteral("Попытка открыть несуществующий COM-порт");
}
inline QString portBusy() {
    return QStringLiteral("Порт занят другой программой");
}
// Composed for Linux: the account may not open the device (not in the
// dialout group, or the device's mode forbids it). The device path tells the
// operator or the administrator which file to look at.
inline QString noPermission(const QString &device) {
    return QStringLiteral("Нет прав на открытие COM-порта ") + device +
           QStringLiteral("\rПользователь должен входить в группу dialout");
}
inline QString setupComm() {
    return QStringLiteral("Ошибка функции SetupComm");
}
inline QString setCommState() {
    return QStringLiteral("Ошибка функции SetCommState");
}
inline QString setCommTimeouts() {
    return QStringLiteral("Ошибка функции SetCommTimeouts");
}
inline QString changeWhileOpen() {
    return QStringLiteral("Нельзя менять свойство, пока порт открыт");
}
inline QString portList() {
    return QStringLiteral("Ошибка обращения к системному реестру");
}
inline QString writeFailed() {
    return QStringLiteral("Ошибка записи в порт");
}
inline QString readFailed() {
    return QStringLiteral("Ошибка чтения из порта");
}
inline QString noAsync() {
    return QStringLiteral("Недопустимый параметр Async");
}
inline QString purgeComm() {
    return QStringLiteral("Ошибка функции PurgeComm");
}
inline QString clearCommError() {
    return QStringLiteral("Ошибка функции ClearCommError");
}
inline QString modemStatus() {
    return QStringLiteral("Ошибка функции GetCommModemStatus");
}
inline QString escapeComm() {
    return QStringLiteral("Ошибка функции EscapeCommFunction");
}
// Composed for Linux: the event thread's descriptors could not be created
// (the process ran out of file descriptors).
inline QString eventThread() {
    return QStringLiteral("Ошибка запуска потока событий COM-порта");
}

} // namespace orvex::serial::msg
