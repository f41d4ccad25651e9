#pragma once

// The prompts as the user sees them: modal Qt message boxes and file, table and print dialogs.

#include "platform/widgets_only.h"

#include "platform/prompts.h"

class QWidget;

namespace stowfolio {

// The real thing: modal Qt dialogs over `parent`.
class WidgetPrompts : public Prompts
{
public:
    explicit WidgetPrompts(QWidget* parent = nullptr) : m_parent(parent) {}
    void setParent(QWidget* parent) { m_parent = parent; }

    void showMessage(const QString& text, const QString& title, MessageIcon icon) override;
    bool askYesNo(const QString& text, const QString& title, DefaultAnswer defaultAnswer) override;
    QString openFileName(const QString& title, const QString& filter,
                         const QString& folder = QString()) override;
    QString saveFileName(const QString& title, const QString& filter) override;
    QStringList openFileNames(const QString& title, const QString& filter,
                              const QString& folder) override;
    bool confirmTable(const QString& title, const QString& text, const QStringList& headers,
                      const QList<QStringList>& rows, const QString& accept) override;
    bool choosePrinter(QPrinter& printer) override;
    std::optional<std::pair<int, QString>> chooseFieldText(const QString& title,
                                                           const QString& text,
                                                           const QStringList& fields,
                                                           int field) override;
    std::optional<QString> askPassword(const QString& title, const QString& text) override;
    std::optional<QList<int>> chooseOptions(const QString& title, const QString& text,
                                            const QList<PromptChoice>& choices) override;

private:
    QWidget* m_parent;
};

// "Pictures (*.jpg;*.bmp)|*.jpg;*.bmp|" -> the Qt filter "Pictures (*.jpg;*.bmp) (*.jpg *.bmp)",
// with each pattern also given in upper case so "PHOTO.JPG" is offered too.
QString toQtFileFilter(const QString& filter);

} // namespace stowfolio
