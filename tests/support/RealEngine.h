#pragma once

#include <QString>

// The real bundled engine is built alongside; some of its commands arrive
// later than the models that use them.
namespace RealEngine {

// True when the installed engine's help lists `command`.
bool offers(const QString &command);

}  // namespace RealEngine
