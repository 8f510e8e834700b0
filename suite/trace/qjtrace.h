#pragma once
// Trace lines of the suite: "<time> <level> <source>: <text>" appended to a log file in the
// user's state directory ($XDG_STATE_HOME/xal, else ~/.local/state/xal, file trace.log).
//
// Environment:
//   XAL_TRACE_LEVEL   highest level written (default 6; 0 turns tracing off)
//   XAL_TRACE_STDERR  "1" also writes each line to standard error
//   XAL_TRACE_FILE    another log file path ("-" writes no file)

#include <QString>

#include <initializer_list>

constexpr const char16_t* kTraceSource = u"XAL-Script Editor";

void QJTrace(int level, const QString& source, const QString& text);

// "%s" placeholders are replaced in order by the arguments.
QString QJTraceFormat(const QString& format, std::initializer_list<QString> args);

// A logon password as trace lines may show it: "***", or empty when it is empty.
QString QJTraceMaskPassword(const QString& password);
