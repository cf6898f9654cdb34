#pragma once
// Every variable a run has before its first statement, whoever writes its value: the
// initialization, the maintenance detection, the refresh before each statement.
#include <string_view>

namespace kx {

inline constexpr std::string_view kPredefinedVariables[] = {
    "TIME",           "DATE",         "NEWINSTANCE",   "SELECTED",    "WINDOWHANDLE",
    "EXEDIR",         "EXEFILE",      "UNINSTALLLINK", "ABORT",       "SILENT",
    "LOGGED",         "CMDLINE",      "SFXPATH",       "SFXFILE",     "LASTERROR",
    "PROGRESSTEXT",   "PROGRESS",     "LICENSE",       "USERNAME",    "USERCOMPANY",
    "REBOOTCOMPUTER", "RUNAPP",       "WIZARD",        "VERSION",     "TARGETDIR",
    "STARTMENU",      "ADVERTISE",    "ALLUSERS",      "COMPLETE",    "MINIMUM",
    "PERSONALIZED",   "MODIFY",       "REPAIR",        "REMOVE",      "DATADIR",
    "PRODUCTCODE",    "REVISIONCODE", "ROOTDIR",       "MAINTENANCE", "NEEDSUPGRADE",
    "TITLE",          "COMPANY",      "TEMPDIR",       "SUPPORTDIR",  "MSIFILE",
    "LANGUAGE",
};

}  // namespace kx
