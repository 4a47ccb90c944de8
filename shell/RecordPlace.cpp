#include "RecordPlace.h"

#include <filesystem>

namespace dxshell {

RecordPlace RecordPlaceFor(bool diagnostic, bool installed, const std::string& programFolder,
                           const std::string& userDataRoot) {
    const std::string program = diagnostic ? "DX410-diagnostic" : "DX410";
    RecordPlace place;
    // an installed program's folder is shared by every user (and root could write to it)
    if (!installed) place.programDir = programFolder;
    place.userDir = (std::filesystem::path(userDataRoot) / program).string();
    place.fileName = diagnostic ? "current-diagnostic.orn" : "current.orn";
    return place;
}

}  // namespace dxshell
