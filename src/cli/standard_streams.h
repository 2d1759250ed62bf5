// "-" as a path: standard input to read, standard output to write, as `convert` takes them.
#pragma once

#include <memory>

#include "seams/file_system.h"

// The files of `files`, and "-" besides. Reading "-" takes standard input whole; writing it puts
// the bytes on standard output when the file is closed. "-" exists as a file only while it stands
// for standard input not yet read (`input_is_stream`), so that it is never replaced as one.
std::unique_ptr<FileSystem> WithStandardStreams(std::unique_ptr<FileSystem> files, bool input_is_stream);

inline constexpr char kStandardStream[] = "-";
