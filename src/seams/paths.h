// Path helpers on "\"-separated Windows paths, and directory creation with missing parents.
#pragma once

#include <string>
#include <string_view>

class FileSystem;

// "\" or "/": Windows takes either between the parts of a path.
bool IsPathSeparator(char c);
// Drops one trailing separator, if there is one; "dir\\" keeps one of its two.
void DropTrailingSeparator(std::string& path);
// `directory` + "\" + `name`, as written: a directory that ends in a separator gives a doubled one.
std::string JoinPath(std::string_view directory, std::string_view name);

// `path` without the separators at its end, but a lone one (the root).
std::string WithoutTrailingSeparators(std::string path);
// The part of `path` up to and including its last separator ("\" or "/") or drive colon; empty
// when it has none.
std::string ParentOf(const std::string& path);
// A file name against a mask of "*" and "?" wildcards, letters matched regardless of case as
// Windows matches them, in time linear in both.
bool MatchesMask(std::string_view name, std::string_view mask);

// The text up to and including its last "\" or ":"; empty when it has neither.
std::string ExtractFilePath(const std::string& path);
// The text after its last "\" or ":".
std::string ExtractFileName(const std::string& path);

// Creates `path` with every missing parent. Raises AppError("Unable to create directory") for an
// empty path, and for a relative path whose missing first component has three or more
// characters; a missing first component of one or two characters creates nothing. Gives false
// when creating a directory failed.
bool ForceDirectories(FileSystem& files, const std::string& path);
