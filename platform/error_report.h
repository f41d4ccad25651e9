#pragma once

// Failures are handled per statement: a guarded procedure numbers its statements (100, 102,
// ..., named in error_sites.h), and when one throws, the error report box names the window or
// module, the procedure and the line, and the procedure goes on with its next statement.
// Nothing is rolled back.
//
//     using Lines = errorsite::DeleteSelectedItem;
//     GuardedProcedure guard(prompts, Lines::site);
//     if (guard.test(Lines::kCheckNotEmpty, [&] { return !list.isEmpty(); })) { ... }
//     guard.step(Lines::kRemoveSelected, [&] { ... });

#include "platform/error_sites.h"
#include "platform/prompts.h"

#include <QString>

#include <exception>
#include <string>

namespace stowfolio {

inline const QString kSupportAddress = QStringLiteral("support@quillane.example");

// The text of the error report box for a failure at `line` of `module`.`procedure`.
QString errorReportText(const QString& description, const QString& module, const QString& procedure,
                        int line);

// Shows the error report box: title "Application Error", exclamation icon, OK.
void showErrorReport(Prompts& prompts, const QString& description, const QString& module,
                     const QString& procedure, int line);

// The description of a caught exception, as the box shows it.
QString describeException(std::exception_ptr error);

class GuardedProcedure
{
public:
    GuardedProcedure(Prompts& prompts, const ErrorSite& site)
        : m_prompts(prompts), m_module(QString::fromLatin1(site.module)),
          m_procedure(QString::fromLatin1(site.procedure))
    {
    }

    // Runs one numbered statement. Returns false after reporting a failure.
    template <class Statement>
    bool step(int line, Statement&& statement)
    {
        try {
            statement();
            return true;
        } catch (...) {
            report(line, std::current_exception());
            return false;
        }
    }

    // Evaluates a numbered condition. A condition that fails is reported and counts as true:
    // execution goes on with the first statement of the branch it guards.
    template <class Condition>
    bool test(int line, Condition&& condition)
    {
        try {
            return static_cast<bool>(condition());
        } catch (...) {
            report(line, std::current_exception());
            return true;
        }
    }

    // How many failures this procedure has reported so far.
    int failures() const { return m_failures; }

private:
    void report(int line, std::exception_ptr error);

    Prompts& m_prompts;
    QString m_module;
    QString m_procedure;
    int m_failures = 0;
};

} // namespace stowfolio
