#include "dxparams/SettingFile.h"

#include <cstdio>

#include "dxcmd/Profile.h"

namespace dxparams {

std::string PositionTitleKey(int position) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%02d", position);
    return "02-POSITION TITLE No." + std::string(buf);
}

bool IsSettingFile(const std::string& path) {
    return dxcmd::ReadProfileString(path, std::string(kAppTypeSection), std::string(kAppNameKey)) == kAppId;
}

}  // namespace dxparams
