// What the command-line tools share: how text reaches a terminal, and how a run ends on a failure.
#pragma once

#include <QString>
#include <QStringList>
#include <functional>

namespace ronvalo {

// `text` as it may go to a terminal: control characters (C0, DEL, C1) and the marks that reverse
// the direction of the text shown are written as escapes ("\x1b", "\u202e"), so that a name from
// the tables can neither move the cursor, change colours nor hide part of the line. Every other
// character, Polish letters included, stays as it is.
QString terminalText(const QString& text);

// Writes "TOOL: MESSAGE" to stderr as one line, the message through terminalText().
void printFailure(const QString& tool, const QString& message);

// True when the command line (program name first) asks for help with "--help" or "-h": the tool
// then prints `usage` to stdout and exits 0, whatever else the line holds.
bool printUsageWhenAsked(const QStringList& arguments, const char* usage);

// Runs a tool's work and returns its exit code. Whatever the work lets escape (an error of the
// program, memory running out, anything else) ends the run with `failureCode` and one line on
// stderr, never with an abort.
int runTool(const QString& tool, int failureCode, const std::function<int()>& work);

} // namespace ronvalo
