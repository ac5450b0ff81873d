#pragma once

#include "common/Home.h"
#include "common/Measure.h"

#include <vector>

namespace mole::clean {

// Version folders of ~/.m2/repository whose files all came from a remote
// repository: Maven records each download in `_remote.repositories`
// ("name.jar>central="), and an artifact the user built with `mvn install`
// has no such record, or one with an empty repository ("name.jar>="), and
// cannot be fetched again.
std::vector<Measured> remoteMavenArtifacts(const Home &home);

}  // namespace mole::clean
