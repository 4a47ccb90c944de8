// Where a program keeps its current-settings file.
#pragma once

#include <string>

namespace dxshell {

struct RecordPlace {
    std::string programDir;  // beside the program; empty for an installed one
    std::string userDir;     // the per-user folder, when programDir cannot be written
    std::string fileName;
};

// The diagnostic program records settings that no camera received, so it
// never shares the operator's file: it has a folder and a name of its own.
// userDataRoot is the per-user data folder that holds each program's folder.
RecordPlace RecordPlaceFor(bool diagnostic, bool installed, const std::string& programFolder,
                           const std::string& userDataRoot);

}  // namespace dxshell
