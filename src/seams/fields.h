// The input fields of the main window, as the core names them.
#pragma once

// Edit1/Edit2: source database and destination directory of "Extract!";
// Edit3/Edit4/Edit5: source directory, destination database and database name of "Compile!".
enum class Field { Edit1 = 1, Edit2, Edit3, Edit4, Edit5 };

// The database name the window proposes until another is stored; the command line's default too.
inline constexpr char kDefaultDatabaseName[] = "My MIDI Database";
