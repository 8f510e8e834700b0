#pragma once
// Trace lines of the suite: "<time> <level> <source>: <text>" appended to a log file in the
// user's state directory ($XDG_STATE_HOME/xal, else ~/.local/state/xal, file trace.log).
//
// The file stays open; lines are collected in memory and written at least once a second, at
// exit, as soon as a line of level 1 or lower (an error) arrives, and before the file would
// pass its size limit. At the limit the file becomes "<file>.1" (replacing an older one) and a
// new file is started. The file is created 0600, missing folders 0700.
//
// Environment (read once, see QJTraceReconfigure):
//   XAL_TRACE_LEVEL     highest level written (default 6; 0 turns tracing off)
//   XAL_TRACE_STDERR    "1" also writes each line to standard error
//   XAL_TRACE_FILE      another log file path ("-" writes no file)
//   XAL_TRACE_MAX_SIZE  size in bytes at which the file is rotated (default 10485760)

#include <QString>

#include <initializer_list>

constexpr const char16_t* kTraceSource = u"XAL-Script Editor";

// Lines of this level or lower are written to the file at once.
constexpr int kTraceErrorLevel = 1;

// Whether a line of this level would be written; cheap, so callers can skip building it.
[[nodiscard]] bool QJTraceEnabled(int level);

void QJTrace(int level, const QString& source, const QString& text);
// Formats (as QJTraceFormat) only when the level is traced.
void QJTrace(int level, const QString& source, const QString& format,
             std::initializer_list<QString> args);

// Writes out the lines collected so far.
void QJTraceFlush();

// The environment is read at the first line; this reads it again (after it was changed).
void QJTraceReconfigure();

// "%s" placeholders are replaced in order by the arguments.
QString QJTraceFormat(const QString& format, std::initializer_list<QString> args);

// A logon password as trace lines may show it: "***", or empty when it is empty.
QString QJTraceMaskPassword(const QString& password);
