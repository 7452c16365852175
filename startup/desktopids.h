#pragma once
// The id of each program's desktop entry (its file name without ".desktop"), given
// to QGuiApplication::setDesktopFileName(): docks, task bars and the startup
// notice match the program's windows with its launcher by it.
inline constexpr char EditorDesktopId[] = "org.raskladka.Raskladka";
inline constexpr char StationDesktopId[] = "org.raskladka.Raskladka.Station";
