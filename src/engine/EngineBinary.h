#pragma once

#include <QByteArray>
#include <QString>

#include <vector>

// Where the engine is, and what it runs with.
namespace Engine {

// The engine executable's full path, or an empty string when none of the
// candidates is executable. Looked up anew on every call.
QString binary();

// The app's own environment, byte for byte, with five variables fixed: the
// engine's search path, a dumb terminal without colours, UTF-8 text, and
// no operation log of its own.
std::vector<QByteArray> environment();

}  // namespace Engine
