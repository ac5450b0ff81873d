#pragma once

#include <QStringView>

// Orders release versions the way update feeds expect: runs of digits
// compare as numbers ("1.10" > "1.9"), runs of letters as words, and a
// version that goes on with letters where the other ends is a pre-release
// of it ("1.0a1" < "1.0b2" < "1.0rc1" < "1.0" < "1.0.1"). Trailing zero
// parts change nothing ("1.2" equals "1.2.0"); dashes, underscores and
// spaces only separate parts ("1.0-rc1" equals "1.0rc1"). Negative, zero or
// positive like strcmp.
int compareVersions(QStringView a, QStringView b);
