// Finds the program folder: the folder that holds the executable, its settings
// file, the database, the sound files and the serial port map. Tests point it
// at a temporary folder instead.
#pragma once

#include <QString>

namespace orvex {

// The base name of the installed executable ("orvex01m").
inline constexpr const char *kExecutableName = "orvex01m";

// The program folder, without a trailing separator. By default the folder of
// the running executable; after setProgramFolder() the folder given there.
QString programFolder();

// The executable's name without its extension: by default the running
// executable's (a copy of the program named "station2" is "station2"); after
// setProgramFolder() the name given there.
QString executableBaseName();

// Makes every later lookup use `folder`, as the folder of an executable named
// `executableName` (an empty folder restores the defaults).
void setProgramFolder(const QString &folder,
                      const QString &executableName = QString::fromLatin1(kExecutableName));

// `relative` resolved against the program folder ("Sound/Beep.wav").
QString programPath(const QString &relative);

// The settings file: the executable's path with the extension ".INI", so
// every copy of the program in one folder has a settings file of its own.
QString settingsFilePath();

} // namespace orvex
