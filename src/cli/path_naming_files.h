// File operations whose failures name their file, so that the command line's error report says
// which file a full disk or a refused open befell.
#pragma once

#include <memory>

#include "seams/file_system.h"

std::unique_ptr<FileSystem> NamingFailedPaths(std::unique_ptr<FileSystem> files);
