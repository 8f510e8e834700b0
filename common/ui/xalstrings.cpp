#include "xalstrings.h"

#include <QCoreApplication>

#include <algorithm>
#include <iterator>

namespace {
struct Entry {
    int id;
    const char16_t* text;
};

// Keep in numeric order.
constexpr Entry kStrings[] = {
    {1, u"&Information"},
    {2, u"&Help"},
    {3, u"Close"},
    {4, u"Utilities"},
    {5, u"Diagnostics"},
    {6, u"Language"},
    {7, u"Variable"},
    {8, u"Now recording ..."},
    {9, u"Recording paused"},
    {10, u"Resume "},
    {11, u"Stop"},
    {14, u"Character not permitted: '%s' Please switch to the URL-encoded input mode."},
    {15, u"XAL parameter in the URL parameter"},
    {16, u"Separators between URL sections"},
    {17, u"Root URL has changed. Rewrite the main script?"},
    {18, u"Name of new conditional script"},
    {19, u"'Server' section of the URL (without protocol)"},
    {20, u"'Address' section of the URL (without protocol or server)"},
    {21, u"Parameter name"},
    {22, u"Separator within the URL parameter"},
    {23, u"Separator within the URL"},
    {24, u"E-script (XAL ID: '%s') is temporarily locked by user '%s' at station '%s' and cannot "
         u"be edited."},
    {25, u"No XAL LSP modules installed. Cannot begin recording."},
    {26, u"To close the main script, you have to close the Script Editor. Close the Script Editor "
         u"now?"},
    {27, u"Create conditional script"},
    {28, u"Delete conditional script"},
    {29, u"Parameter value"},
    {30, u"The '%s' domain will be excluded from recording. This setting will be applied the next "
         u"time the recording is started. Resume?"},
    {31, u"When the XAL Settings program is open, no domains can be excluded from the recording "
         u"process. The XAL Settings program is currently in use by user '%s' at station '%s'.  "},
    {32, u"XAL - E-Script Recording - %s"},
    {33, u"(with URL filtering)"},
    {34, u"(without URL filtering)"},
    {35, u"%s\nThis URL contains XAL-internal variables that will be removed automatically when "
         u"the conditional script is created.\nDo you wish to continue?"},
    {36, u"Parameter name '%s' contains characters that are not permitted."},
    {37, u"N"},
    {38, u"S"},
    {39, u"CS"},
    {40, u"D"},
    {41, u"G"},
    {42, u"A"},
    {43, u"L"},
    {44, u"Create conditional script for the currently selected URL\nCreate conditional script"},
    {45, u"Delete the conditional script of the active tab\nDelete conditional script"},
    {46, u"Characters entered now will automatically be URL encoded."},
    {47, u"Characters entered now will not automatically URL encoded."},
    {48, u"X"},
    {49, u"U"},
    {50, u"L"},
    {51, u"E-script data have been modified. Save?"},
    {52, u"No input possible (XAL parameter)."},
    {53, u"The domain '%s' has already been excluded from recording."},
    {54, u"An internal XAL URL parameter ('%s') cannot be entered manually."},
    {55, u"An internal XAL URL parameter ('%s') cannot be entered here.\nURL: '%s'"},
    {56, u"During the recording new domains are added. These domains are not considered in the "
         u"e-script properties ‘Domain List’.\nWould you like to edit this list now?"},
    {101, u"Save and close"},
    {102, u"&Editor"},
    {103, u"XAL"},
    {104, u"E-Script"},
    {106, u"XAL Tools\nt"},
    {107, u"New\nn"},
    {109, u"Save\ns"},
    {110, u"Properties\nr"},
    {111, u"URL"},
    {112, u"Delete\nl"},
    {113, u"Create"},
    {116, u"Edit"},
    {117, u"Browser"},
    {118, u"Recording"},
    {119, u"Parameter"},
    {120, u"Value"},
    {121, u"Start"},
    {124, u"Main script"},
    {125, u"Conditional script: %s"},
    {126, u""},
    {129, u"GET"},
    {130, u"POST"},
    {131, u"Exit"},
    {132, u"Recently opened e-scripts"},
    {135, u"E-script data have been modified.\nSave e-script?"},
    {136, u"XAL Script Editor -  XALID: %s, title: %s"},
    {137, u"Incorrect parameter. Program cannot be started."},
    {138, u"Test"},
    {139, u"Incorrect URL syntax"},
    {140, u"Delete the conditional script called '%s'?"},
    {141, u"A conditional script called '%s' already exists."},
    {142, u"Add parameter"},
    {143, u"Edit parameter"},
    {144, u"Delete parameter"},
    {145, u"Delete all parameters"},
    {146, u"Up"},
    {147, u"Down"},
    {148, u"XAL database is not responding"},
    {149, u"Copy URL from clipboard"},
    {150, u"Copy URL to clipboard"},
    {151, u"Open URL in the browser"},
    {153, u"XAL Script Editor - Add URL"},
    {154, u"XAL Script Editor - Edit URL"},
    {155, u"XAL Script Editor - Add Parameter"},
    {156, u"XAL Script Editor - Edit URL Parameter"},
    {157, u"Incorrect URL syntax:\n%s"},
    {158, u"E-script data in '%s' has been changed.\nThis e-script does not contain any URLs in "
          u"its main script and thus cannot be saved.\nExit program?"},
    {160, u"The Script Editor ended on %s without saving changes to e-script '%s'. The changes "
          u"were kept.\nRestore them?"},
    {161, u"\n\nWarning: the stored e-script was changed later, on %s. Restoring and saving "
          u"the kept changes replaces that change."},
    {162, u"The recording could not be started: %s"},
    {344, u"P"},
    {345, u"T"},
    {346, u"E"},
    {347, u"B"},
    {348, u"U"},
    {349, u"R"},
    {350, u"I"},
    {351, u"W"},
    {32771, u"Save and close"},
    {32772, u""},
    {32774, u""},
    {32776, u"Exclude domain from recording"},
    {32880, u"Test an e-script in the default browser\nTest"},
    {61191, u"No e-script with XAL ID '%s' found."},
    {62501, u"The program '%s' was not found in: %s"},
    {62502, u"The program '%s' can not be started."},
    // The suite's data dialogs: e-script properties and new e-script.
    {62510, u"XAL E-script Editor"},
    {62511, u"E-script properties - %s"},
    {62512, u"One domain per line"},
    {62513, u"Double-click a domain to add it to the list"},
    {62514, u"XAL ID:"},
    {62515, u"&Title:"},
    {62516, u"&Domain list:"},
    {62517, u"Available domains:"},
    {62518, u"Logon &user:"},
    {62519, u"Logon &password:"},
    {62520, u"New e-script"},
    {62521, u"Open it"},
    {62522, u"Open it with its properties"},
    {62523, u"Open it and start recording"},
    {62524, u"Do not open it"},
    {62525, u"XAL &ID:"},
    {62526, u"&Root URL:"},
    {62527, u"After &creating:"},
    {62530, u"'%s' is not a domain name."},
    {62531, u"The logon user must not begin or end with a blank."},
    {62532, u"Please enter the XAL ID of the new e-script."},
    {62533, u"Please enter a title."},
    {62534, u"An e-script with XAL ID '%s' already exists."},
    {62560, u"The XAL-internal variable '%s' could not be removed from the URL of the new "
            u"conditional script.\nURL: '%s'"},
};
} // namespace

QString XalString(int id) {
    const auto* it = std::lower_bound(std::begin(kStrings), std::end(kStrings), id,
                                      [](const Entry& e, int key) { return e.id < key; });
    if (it == std::end(kStrings) || it->id != id)
        return {};
    const QString english = QString::fromUtf16(it->text);
    if (english.isEmpty())
        return english;
    // A loaded language file translates by the English text (context "XALScriptEdit").
    return QCoreApplication::translate("XALScriptEdit", english.toUtf8().constData());
}

std::vector<std::pair<int, QString>> XalStringTable() {
    std::vector<std::pair<int, QString>> table;
    table.reserve(std::size(kStrings));
    for (const Entry& e : kStrings)
        table.emplace_back(e.id, QString::fromUtf16(e.text));
    return table;
}

QString XalFormat(int id, const QString& a1, const QString& a2, const QString& a3) {
    const QString pattern = XalString(id);
    const QString args[] = {a1, a2, a3};
    QString out;
    out.reserve(pattern.size() + a1.size() + a2.size() + a3.size());
    int next = 0;
    for (qsizetype i = 0; i < pattern.size(); ++i) {
        if (pattern[i] == u'%' && i + 1 < pattern.size() && pattern[i + 1] == u's') {
            if (next < 3)
                out += args[next];
            ++next;
            ++i;
        } else {
            out += pattern[i];
        }
    }
    return out;
}
