#pragma once

#include "platform/file_helpers.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>
#include <utility>

// Every message box and file dialog of the program goes through Prompts, so that tests answer
// them from a script instead of blocking on a modal window. The interface needs only Qt Core;
// the dialogs themselves are WidgetPrompts (widget_prompts.h).

class QPrinter;

namespace stowfolio {

enum class MessageIcon
{
    None,
    Exclamation
};

// One choice of a form of choices: its label ("&Decimal mark:") and the options it offers, the
// one at `current` chosen at first.
struct PromptChoice
{
    QString label;
    QStringList options;
    int current = 0;
};

// The button that Enter presses in a question.
enum class DefaultAnswer
{
    Yes,
    No
};

class Prompts
{
public:
    virtual ~Prompts() = default;

    // A message box with an OK button. An empty title shows the application title.
    virtual void showMessage(const QString& text, const QString& title, MessageIcon icon) = 0;
    // A question with Yes and No buttons and no icon; true for Yes.
    virtual bool askYesNo(const QString& text, const QString& title,
                          DefaultAnswer defaultAnswer) = 0;
    // File dialogs. `filter` is in the "Description|*.a;*.b|" form; the result is the chosen
    // full path, or an empty string when the user cancelled. The open dialog starts in `folder`,
    // or where the platform chooses when it is empty; every implementation keeps that default.
    virtual QString openFileName(const QString& title, const QString& filter,
                                 const QString& folder = QString()) = 0;
    virtual QString saveFileName(const QString& title, const QString& filter) = 0;
    // The open dialog choosing any number of files, starting in `folder` as openFileName does:
    // their full paths, none when cancelled.
    virtual QStringList openFileNames(const QString& title, const QString& filter,
                                      const QString& folder = QString()) = 0;
    // A text above a table of rows under `headers`, with `accept` and Cancel buttons; true for
    // `accept`.
    virtual bool confirmTable(const QString& title, const QString& text, const QStringList& headers,
                              const QList<QStringList>& rows, const QString& accept) = 0;
    // The print dialog for `printer`; false when the user cancelled.
    virtual bool choosePrinter(QPrinter& printer) = 0;
    // A field picked from `fields` (starting at `field`) and a text for it, under `text`; the
    // chosen field's index and the typed text, or nothing when the user cancelled.
    virtual std::optional<std::pair<int, QString>> chooseFieldText(const QString& title,
                                                                   const QString& text,
                                                                   const QStringList& fields,
                                                                   int field) = 0;
    // A password typed under `text` into a field that shows dots, not the characters; nothing
    // when the user cancelled.
    virtual std::optional<QString> askPassword(const QString& title, const QString& text) = 0;
    // A text above a form of choices, with OK and Cancel: the index of the option chosen in
    // each, in order, or nothing when the user cancelled.
    virtual std::optional<QList<int>> chooseOptions(const QString& title, const QString& text,
                                                    const QList<PromptChoice>& choices) = 0;
};

// The save dialog for files of one kind: a name typed without an extension gets `suffix`
// ("csv"). Empty when the user cancelled.
QString saveFileNameWithSuffix(Prompts& prompts, const QString& title, const QString& filter,
                               const QString& suffix);

// Before a file the user chose is written over: the question the preview's saves ask
// ("Are you sure you wish to overwrite …"), Yes the default. True when there is no file at
// `path` (nothing, or a folder) or he said Yes.
bool confirmOverwrite(Prompts& prompts, const QString& path);

// Before a file the user chose is written: one that is read-only is replaced only when he says
// so (No is the default). Returns how the writer is to treat the file, or nothing when he said
// No; a file that is not read-only is not asked about.
std::optional<ReadOnlyTarget> confirmReplacingReadOnly(Prompts& prompts, const QString& path);

} // namespace stowfolio
