#include "optimize/OptimizeCommand.h"

#include "common/Interrupt.h"
#include "common/Output.h"
#include "common/TextLine.h"
#include "optimize/Checks.h"

#include <cstring>

namespace mole::optimize {

namespace {

std::string line(std::string_view symbol, const Finding &finding, const std::string &detail) {
    return std::string(symbol) + finding.label + std::string(kDot) + detail;
}

}  // namespace

int run(int argc, char **argv) {
    bool dry = false;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--dry-run") == 0) {
            dry = true;
        } else {
            printError("optimize", "unknown option (use --dry-run)");
            return 2;
        }
    }
    std::optional<Home> home = homeFor("optimize");
    if (!home)
        return 1;
    int fixes = 0, attention = 0, failed = 0;
    for (const CheckSection &section : runChecks(*home)) {
        printLine(std::string(kSection) + section.title);
        for (const Finding &finding : section.findings) {
            switch (finding.kind) {
                case Finding::Kind::fix:
                    if (!dry && stopRequested())
                        return 1;  // the reader has gone: no further changes
                    if (dry) {
                        printLine(line(kAction, finding, finding.detail));
                        ++fixes;
                    } else if (std::string why = finding.fix(); why.empty()) {
                        printLine(line(kOk, finding, "done"));
                        ++fixes;
                    } else {
                        printLine(line(kFailed, finding, "failed: " + why));
                        ++failed;
                    }
                    break;
                case Finding::Kind::ok:
                    printLine(line(kOk, finding, finding.detail));
                    break;
                case Finding::Kind::attention:
                    printLine(line(kNote, finding, finding.detail));
                    ++attention;
                    break;
                case Finding::Kind::note:
                    printLine(line("\u25ce ", finding, finding.detail));
                    break;
            }
        }
    }
    std::string summary = counted(fixes, "fix", "fixes") + (dry ? " available" : " applied");
    if (failed)
        summary += std::string(kDot) + std::to_string(failed) + " failed";
    summary += std::string(kDot) + std::to_string(attention) +
               (attention == 1 ? " needs attention" : " need attention");
    printLine("=====");
    printLine(summary);
    printLine("=====");
    return failed ? 1 : 0;
}

}  // namespace mole::optimize
