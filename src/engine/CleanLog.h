#pragma once

#include <QStringView>

// Reads the lines of a real clean run, which the app shows as a log.
namespace CleanLog {

// How the step a line tells of went, by the status the line starts with:
// "✗" or "Error…" a failure, "◎" or "⚠" a warning, "✓" or a "➤" section a
// success or step; anything else is plain. A name further on ("error.log",
// "✓ done.txt") says nothing about the step.
enum class Status { failure, warning, success, plain };
Status statusOf(QStringView line);

// True for a rule of "=" only: it frames the engine's summary and says
// nothing itself. Spaces and tabs around it do not count.
bool isRule(QStringView line);

}  // namespace CleanLog
