#pragma once

#include "platform/prompts.h"

#include <QPrinter>
#include <QString>
#include <QStringList>

#include <deque>
#include <optional>
#include <stdexcept>

namespace stowfolio::testing {

// Prompts answered from a script. Every prompt shown is recorded; a prompt with no scripted
// answer fails the test by throwing instead of blocking.
class ScriptedPrompts : public Prompts
{
public:
    struct Shown
    {
        QString kind; // "message", "question", "open", "save"
        QString text;
        QString title;
        MessageIcon icon = MessageIcon::None;
    };

    std::deque<bool> yesNoAnswers;
    std::deque<QString> fileAnswers; // "" answers as Cancel
    std::vector<Shown> shown;
    std::vector<DefaultAnswer> questionDefaults;
    // The rows of each table shown.
    std::vector<QList<QStringList>> tables;

    void showMessage(const QString& text, const QString& title, MessageIcon icon) override
    {
        shown.push_back({QStringLiteral("message"), text, title, icon});
    }
    bool confirmTable(const QString& title, const QString& text, const QStringList&,
                      const QList<QStringList>& rows, const QString&) override
    {
        shown.push_back({QStringLiteral("table"), text, title, MessageIcon::None});
        tables.push_back(rows);
        if (yesNoAnswers.empty())
            throw std::logic_error("unscripted table: " + text.toStdString());
        const bool answer = yesNoAnswers.front();
        yesNoAnswers.pop_front();
        return answer;
    }
    // A printer chosen: the output goes to this PDF file; empty answers as Cancel.
    QString printerFile;
    bool choosePrinter(QPrinter& printer) override
    {
        shown.push_back({QStringLiteral("print"), QString(), QString(), MessageIcon::None});
        if (printerFile.isEmpty())
            return false;
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(printerFile);
        return true;
    }
    // The answers to chooseFieldText, in turn; nothing answers as Cancel.
    std::deque<std::optional<std::pair<int, QString>>> fieldTextAnswers;
    std::optional<std::pair<int, QString>>
    chooseFieldText(const QString& title, const QString& text, const QStringList&, int) override
    {
        shown.push_back({QStringLiteral("field"), text, title, MessageIcon::None});
        if (fieldTextAnswers.empty())
            throw std::logic_error("unscripted field choice: " + text.toStdString());
        auto answer = fieldTextAnswers.front();
        fieldTextAnswers.pop_front();
        return answer;
    }
    // The passwords typed, in turn; nothing answers as Cancel.
    std::deque<std::optional<QString>> passwordAnswers;
    std::optional<QString> askPassword(const QString& title, const QString& text) override
    {
        shown.push_back({QStringLiteral("password"), text, title, MessageIcon::None});
        if (passwordAnswers.empty())
            throw std::logic_error("unscripted password: " + text.toStdString());
        auto answer = passwordAnswers.front();
        passwordAnswers.pop_front();
        return answer;
    }
    // The answers to chooseOptions, in turn; nothing answers as Cancel. The choices of each
    // form shown are kept.
    std::deque<std::optional<QList<int>>> optionAnswers;
    std::vector<QList<PromptChoice>> choiceForms;
    std::optional<QList<int>> chooseOptions(const QString& title, const QString& text,
                                            const QList<PromptChoice>& choices) override
    {
        shown.push_back({QStringLiteral("options"), text, title, MessageIcon::None});
        choiceForms.push_back(choices);
        if (optionAnswers.empty())
            throw std::logic_error("unscripted choice: " + text.toStdString());
        auto answer = optionAnswers.front();
        optionAnswers.pop_front();
        return answer;
    }
    bool askYesNo(const QString& text, const QString& title, DefaultAnswer defaultAnswer) override
    {
        shown.push_back({QStringLiteral("question"), text, title, MessageIcon::None});
        questionDefaults.push_back(defaultAnswer);
        if (yesNoAnswers.empty())
            throw std::logic_error("unscripted question: " + text.toStdString());
        const bool answer = yesNoAnswers.front();
        yesNoAnswers.pop_front();
        return answer;
    }
    // The folder each open dialog started in, in order.
    QStringList openFolders;
    QString openFileName(const QString& title, const QString& filter,
                         const QString& folder = QString()) override
    {
        openFolders << folder;
        return nextFile(QStringLiteral("open"), title, filter);
    }
    QString saveFileName(const QString& title, const QString& filter) override
    {
        return nextFile(QStringLiteral("save"), title, filter);
    }
    // The answers to openFileNames, in turn; an empty list answers as Cancel.
    std::deque<QStringList> fileListAnswers;
    QStringList openFileNames(const QString& title, const QString& filter,
                              const QString& folder = QString()) override
    {
        openFolders << folder;
        shown.push_back({QStringLiteral("open files"), filter, title, MessageIcon::None});
        if (fileListAnswers.empty())
            throw std::logic_error("unscripted files dialog: " + title.toStdString());
        const QStringList answer = fileListAnswers.front();
        fileListAnswers.pop_front();
        return answer;
    }

    // The texts of the message boxes shown so far, in order.
    QStringList messages() const { return textsShown(QStringLiteral("message")); }
    QStringList passwordQuestions() const { return textsShown(QStringLiteral("password")); }
    // The texts of the prompts of one kind ("message", "password", ...) shown, in order.
    QStringList textsShown(const QString& kind) const
    {
        QStringList texts;
        for (const Shown& s : shown)
            if (s.kind == kind)
                texts << s.text;
        return texts;
    }

    // How many error report boxes were shown.
    int errorReports() const
    {
        int count = 0;
        for (const Shown& s : shown)
            count += s.title == QLatin1String("Application Error") ? 1 : 0;
        return count;
    }

private:
    QString nextFile(const QString& kind, const QString& title, const QString& filter)
    {
        shown.push_back({kind, filter, title, MessageIcon::None});
        if (fileAnswers.empty())
            throw std::logic_error("unscripted file dialog: " + title.toStdString());
        const QString answer = fileAnswers.front();
        fileAnswers.pop_front();
        return answer;
    }
};

} // namespace stowfolio::testing
