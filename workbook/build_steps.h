#pragma once

// How a build runs its numbered statements. In the window, a failing statement shows the error
// report box and the build goes on with the next one; the command-line export stops at the
// first failure and reports it. The build's steps are written once, against this interface.

#include "platform/error_report.h"

#include <functional>

namespace stowfolio {

class BuildSteps
{
public:
    virtual ~BuildSteps() = default;
    // Runs statement `line`; false when it failed.
    virtual bool step(int line, const std::function<void()>& statement) = 0;
    // Evaluates condition `line`; a failed condition counts as true (its branch runs).
    virtual bool test(int line, const std::function<bool()>& condition) = 0;
};

// Each failure shows the error report box and the build carries on.
class ReportingSteps : public BuildSteps
{
public:
    ReportingSteps(Prompts& prompts, const ErrorSite& site) : m_guard(prompts, site) {}
    bool step(int line, const std::function<void()>& statement) override
    {
        return m_guard.step(line, statement);
    }
    bool test(int line, const std::function<bool()>& condition) override
    {
        return m_guard.test(line, condition);
    }

private:
    GuardedProcedure m_guard;
};

// The first failure ends the build: the exception passes to the caller.
class StrictSteps : public BuildSteps
{
public:
    bool step(int, const std::function<void()>& statement) override
    {
        statement();
        return true;
    }
    bool test(int, const std::function<bool()>& condition) override { return condition(); }
};

} // namespace stowfolio
