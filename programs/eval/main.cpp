// tavo-eval: scores tracking results against ground truth with the
// measures trackers are compared by; see --help.

#include "programs/eval/eval_options.h"
#include "programs/eval/eval_run.h"

#include <opencv2/core/utils/logger.hpp>

#include <exception>
#include <iostream>

int main(int argc, char** argv)
{
    using namespace tavo_eval_cli;
    try {
        cv::utils::logging::setLogLevel(cv::utils::logging::LOG_LEVEL_SILENT);
        const EvalParse parsed = parseEvalOptions(std::vector<std::string>(argv + 1, argv + argc));
        switch (parsed.action) {
        case EvalParse::Action::Help:
            std::cout << evalHelpText();
            return std::cout.flush() ? kExitSuccess : kExitInputError;
        case EvalParse::Action::UsageError:
            std::cerr << "tavo-eval: " << parsed.error << "\n(tavo-eval --help shows the usage)\n";
            return kExitUsageError;
        case EvalParse::Action::Run:
            break;
        }
        return runEvaluation(parsed.options, std::cout, std::cerr);
    } catch (const std::exception& e) {
        std::cerr << "tavo-eval: " << e.what() << '\n';
        return kExitInputError;
    }
}
