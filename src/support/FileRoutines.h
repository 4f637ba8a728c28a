#pragma once
// File, folder and platform-value routines over the current machine. Paths
// are Windows paths in GBK; folder paths end with "\".

#include <string>
#include <vector>

namespace xxj {

// Appends to list the path of every file in folder whose name matches
// "*" + extension (every file for an empty extension), in the order the
// folder lists them; system files and folders are not listed. With recursive
// the subfolders follow, each after the files of its parent. Returns how
// many were added.
int FindFiles(const std::string& folder, const std::string& extension,
              std::vector<std::string>& list, bool recursive);

// The path with "\" appended, unless it is empty or already ends with one.
std::string WithTrailingBackslash(const std::string& path);

// Removes folder with everything in it. With resetAttributes, read-only,
// hidden and system files are made normal first so they can go too. Whatever
// cannot be removed stays; nothing is reported.
void DeleteFolderTree(const std::string& folder, bool resetAttributes);

// The user's documents folder from the registry; empty when not recorded.
std::string GetPersonalFolder();
// The temporary folder, ending with "\".
std::string GetTempDirectory();
// A new GUID as "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}", upper-case.
std::string NewGuidString();
// The folder of the running executable, ending with "\".
std::string ApplicationFolder();
// name taken relative to the folder of baseFile: unchanged when baseFile has
// no drive, expanded to a full path when name has one, otherwise appended to
// baseFile's folder.
std::string ResolveRelativeFile(const std::string& baseFile, const std::string& name);

}  // namespace xxj
