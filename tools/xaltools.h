#pragma once
// XalTools: functions with which the suite's programs start each other, read the user's
// language and the database connection, load the suite's environment and make test
// copies of e-scripts. Every function is exported by name with C linkage and never lets
// an exception out. In-strings are zero-terminated UTF-16; out strings are owned by the
// caller.

#include <QString>

#if defined(XALTOOLS_BUILD)
#define XALTOOLS_API __attribute__((visibility("default")))
#else
#define XALTOOLS_API
#endif

// The connection block filled by XALIsMDBDataAvailable, its layout and its decoder are those
// of the database wrapper (dbaccess.h).

#if defined(__GNUC__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wpragmas"
#pragma GCC diagnostic ignored "-Wreturn-type-c-linkage"
#endif

extern "C" {

// Program launchers. Programs lie in the directory named by "zvbindir", or else in the
// folder of the running program; they are started without waiting for them and without
// handing them open files. True when started; a failure is traced.
XALTOOLS_API bool XALStartExternalApp(const char16_t* commandLine,
                                      const char16_t* currentDirectory);
XALTOOLS_API bool XALStartTools();
XALTOOLS_API bool XALStartDataEditor();
XALTOOLS_API bool XALStartDiagnostic();
XALTOOLS_API bool XALStartEZBImport(const char16_t* argument);
XALTOOLS_API bool XALStartScriptEditor(const char16_t* xalId, const char16_t* arguments);
// Opens an address in the desktop's default browser without waiting for it; the environment
// variable XAL_BROWSER names another command to use instead (the address becomes its last
// word). True when the browser was started.
XALTOOLS_API bool XALOpenBrowser(const char16_t* url);
// Where the launchers find the program fileName: true with its full path in location, false
// with the folders it was looked for in (", " between them).
XALTOOLS_API bool XALFindProgram(const char16_t* fileName, QString& location);

// Test IDs and e-script test.
XALTOOLS_API bool XALTCreateFreeTestID(QString& testId);
XALTOOLS_API bool XALTestEScript(const char16_t* xalId);
XALTOOLS_API bool XALTVerifyID(QString& id);

// User language, runtime locale, connection settings and the suite's environment.
XALTOOLS_API bool XALReadUserLG(QString& language);
XALTOOLS_API bool XALSetUserLG(const char16_t* language);
XALTOOLS_API bool XALSGetUserLG(QString& language, bool exportToEnvironment);
// What the C runtime's setlocale returned: its own text, valid until the next setlocale
// call, or null when the locale is not available.
XALTOOLS_API const char* XALTSetCurrentLocale();
XALTOOLS_API bool XALIsMDBDataAvailable(char16_t* connection);
// Why XALIsMDBDataAvailable gives false (the access file missing, empty, not one, without a
// [MongoDB] section or Server, a value too long for its field), zero-terminated into text of
// chars characters (cut to fit); empty when it gives true. Returns the length of the whole
// text.
XALTOOLS_API int XALGetMDBDataProblem(char16_t* text, int chars);
XALTOOLS_API bool XALInitEnvFromMDB();

} // extern "C"

#if defined(__GNUC__)
#pragma GCC diagnostic pop
#endif
