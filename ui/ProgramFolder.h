// Finds the program folder: the folder that holds the executable, its settings
// file, the database, the sound files and the serial port map. Tests point it
// at a temporary folder instead.
#pragma once

#include <QString>

namespace orvex {

// The program folder, without a trailing separator. By default the folder of
// the running executable; after setProgramFolder() the folder given there.
QString programFolder();

// Makes every later lookup use `folder` (an empty string restores the default).
void setProgramFolder(const QString &folder);

// `relative` resolved against the program folder ("Sound/Beep.wav").
QString programPath(const QString &relative);

// The settings file: the executable's path with the extension ".INI".
QString settingsFilePath();

// The base name of the executable ("orvex01m").
inline constexpr const char *kExecutableName = "orvex01m";

} // namespace orvex
