#pragma once

#include <QString>

// Folders of the build and the checkout, handed over by ctest in the
// environment rather than compiled in, so a test's object is the same in
// every clone and the compiler cache serves it.
namespace TestPaths {

inline QString fromEnvironment(const char *name) {
    const QString value = qEnvironmentVariable(name);
    if (value.isEmpty())
        qFatal("%s is not set (run the tests through ctest)", name);
    return value;
}

// The resources folder the build assembled (fonts, icons, wording, engine).
inline QString builtResources() { return fromEnvironment("BRIGHTLOFT_BUILT_RESOURCES"); }
// Where a test leaves pictures for people to look at: beside the test.
inline QString artefacts() { return fromEnvironment("BRIGHTLOFT_TEST_ARTEFACTS"); }
// A file or folder of the checkout, given relative to its root.
inline QString source(const QString &relative) {
    return fromEnvironment("BRIGHTLOFT_SOURCE_DIR") + u'/' + relative;
}

}  // namespace TestPaths
