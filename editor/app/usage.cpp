#include "usage.h"

InfoSwitch FindInfoSwitch(const QStringList& arguments) {
    if (arguments.size() != 1)
        return InfoSwitch::None;
    const QString& word = arguments.front();
    if (word == u"--help" || word == u"-h")
        return InfoSwitch::Help;
    if (word == u"--version")
        return InfoSwitch::Version;
    return InfoSwitch::None;
}

QString VersionText() {
    return QStringLiteral("XALScripEdit " XAL_VERSION "\n");
}

QString UsageText() {
    return QStringLiteral(
        "Usage: XALScripEdit /xalid:<id> [/mode:recording] [/mode:showproperties]\n"
        "       XALScripEdit --help | --version\n"
        "\n"
        "Edits the e-script <id> of the suite's database; the e-script stays locked while the\n"
        "editor runs. Switches may stand in any order and letter case; what is left of the\n"
        "command line, lower-cased and trimmed, is the XAL ID.\n"
        "\n"
        "  /xalid:<id>            the e-script to edit (required)\n"
        "  /mode:recording        start recording URLs once the e-script is shown\n"
        "  /mode:showproperties   open the e-script properties once the e-script is shown\n"
        "  --help, -h             print this text and end\n"
        "  --version              print the version and end\n"
        "\n"
        "Environment:\n"
        "  ZVHOME                   suite home: system/cfg/zvaccess.cfg (database connection;\n"
        "                           without ZVHOME <program dir>/../cfg/zvaccess.cfg) and\n"
        "                           system/cfg/xal.cfg (section Settings, key XalServer)\n"
        "  ZVLG                     language, \"en\" or \"de\"; the translation is taken from\n"
        "                           $ZVHOME/System/lg/<ZVLG>/res/XALScriptEdit.<ZVLG>, else from\n"
        "                           the installation's share/xal/lg folder\n"
        "  XAL_TRACE_LEVEL          highest trace level written (default 6, 0 = off)\n"
        "  XAL_TRACE_FILE           trace file (default $XDG_STATE_HOME/xal/trace.log,\n"
        "                           else ~/.local/state/xal/trace.log; \"-\" = no file)\n"
        "  XAL_TRACE_MAX_SIZE       trace file size in bytes at which it is rotated\n"
        "                           (default 10485760; one older file, <file>.1, is kept)\n"
        "  XAL_TRACE_STDERR         \"1\" also writes trace lines to standard error\n"
        "  XAL_ANSI_CODEPAGE        code page of narrow texts: 1252 (default), 28591, 65001\n"
        "  XAL_MESSAGE_ANSWERS      ok,yes,no,cancel: messages go to standard error and take\n"
        "                           these answers in order (scripted runs)\n"
        "  XAL_EXIT_AFTER_START_MS  close the window this many milliseconds after start-up\n"
        "  XAL_EXIT_AFTER_FIRST_PAINT  \"1\" closes the window right after its first paint\n"
        "  XAL_SCREENSHOT           save a PNG picture of the started window and end\n"
        "  XAL_HELP_FILE            file the Help command opens (default: the README)\n"
        "  XAL_BROWSER              command that opens test addresses instead of the\n"
        "                           desktop's browser\n"
        "\n"
        "Exit status:\n"
        "  0  the editor ran and was closed (or --help, --version)\n"
        "  1  start-up failed: incorrect command line, database not responding, e-script\n"
        "     locked by another user or not found (a message says which)\n");
}
