#include "platform/widget_prompts.h"

#include "platform/app_title.h"

#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QStringList>
#include <QTableWidget>
#include <QVBoxLayout>

namespace stowfolio {

namespace {

// A box that names no title of its own shows the application title.
QString boxTitle(const QString& title)
{
    return title.isEmpty() ? appTitle() : title;
}

// A dialog titled `title` with `text` at its top, wrapped; returns its layout for the rest.
QVBoxLayout* startDialog(QDialog& dialog, const QString& title, const QString& text)
{
    dialog.setWindowTitle(boxTitle(title));
    auto* layout = new QVBoxLayout(&dialog);
    auto* label = new QLabel(text, &dialog);
    label->setWordWrap(true);
    layout->addWidget(label);
    return layout;
}

// `accept` (the default button) and Cancel at the foot of `dialog`.
void addButtons(QDialog& dialog, QVBoxLayout& layout, const QString& accept)
{
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Cancel, &dialog);
    buttons->addButton(accept, QDialogButtonBox::AcceptRole)->setDefault(true);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    layout.addWidget(buttons);
}

} // namespace

void WidgetPrompts::showMessage(const QString& text, const QString& title, MessageIcon icon)
{
    QMessageBox box(icon == MessageIcon::Exclamation ? QMessageBox::Warning : QMessageBox::NoIcon,
                    boxTitle(title), text, QMessageBox::Ok, m_parent);
    box.exec();
}

bool WidgetPrompts::askYesNo(const QString& text, const QString& title, DefaultAnswer defaultAnswer)
{
    QMessageBox box(QMessageBox::NoIcon, boxTitle(title), text, QMessageBox::Yes | QMessageBox::No,
                    m_parent);
    box.setDefaultButton(defaultAnswer == DefaultAnswer::Yes ? QMessageBox::Yes : QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}

// The filter descriptions already name their patterns ("Excel Files (*.xls)"); the dialog shows
// them as they are instead of adding the pattern list a second time.
QStringList WidgetPrompts::openFileNames(const QString& title, const QString& filter,
                                         const QString& folder)
{
    return QFileDialog::getOpenFileNames(m_parent, title, folder, toQtFileFilter(filter), nullptr,
                                         QFileDialog::HideNameFilterDetails);
}

QString WidgetPrompts::openFileName(const QString& title, const QString& filter,
                                    const QString& folder)
{
    return QFileDialog::getOpenFileName(m_parent, title, folder, toQtFileFilter(filter), nullptr,
                                        QFileDialog::HideNameFilterDetails);
}

QString WidgetPrompts::saveFileName(const QString& title, const QString& filter)
{
    // The program asks its own overwrite question, so the dialog must not ask first.
    return QFileDialog::getSaveFileName(m_parent, title, QString(), toQtFileFilter(filter), nullptr,
                                        QFileDialog::DontConfirmOverwrite |
                                            QFileDialog::HideNameFilterDetails);
}

QString toQtFileFilter(const QString& filter)
{
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList entries;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QStringList patterns;
        for (const QString& pattern : parts[i + 1].split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
            patterns << pattern;
            if (pattern.toUpper() != pattern)
                patterns << pattern.toUpper();
        }
        entries << parts[i] + QStringLiteral(" (") + patterns.join(QLatin1Char(' ')) +
                       QLatin1Char(')');
    }
    return entries.join(QStringLiteral(";;"));
}

bool WidgetPrompts::confirmTable(const QString& title, const QString& text,
                                 const QStringList& headers, const QList<QStringList>& rows,
                                 const QString& accept)
{
    QDialog dialog(m_parent);
    QVBoxLayout* layout = startDialog(dialog, title, text);
    auto* table =
        new QTableWidget(static_cast<int>(rows.size()), static_cast<int>(headers.size()), &dialog);
    table->setHorizontalHeaderLabels(headers);
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    for (int r = 0; r < rows.size(); ++r)
        for (int c = 0; c < headers.size(); ++c)
            table->setItem(r, c, new QTableWidgetItem(rows[r].value(c)));
    table->resizeColumnsToContents();
    layout->addWidget(table);
    addButtons(dialog, *layout, accept);
    dialog.resize(900, 480);
    return dialog.exec() == QDialog::Accepted;
}

std::optional<std::pair<int, QString>> WidgetPrompts::chooseFieldText(const QString& title,
                                                                      const QString& text,
                                                                      const QStringList& fields,
                                                                      int field)
{
    QDialog dialog(m_parent);
    QVBoxLayout* layout = startDialog(dialog, title, text);
    auto* form = new QFormLayout;
    auto* choice = new QComboBox(&dialog);
    choice->addItems(fields);
    choice->setCurrentIndex(field);
    form->addRow(QStringLiteral("&Field:"), choice);
    auto* value = new QLineEdit(&dialog);
    form->addRow(QStringLiteral("&New text:"), value);
    layout->addLayout(form);
    addButtons(dialog, *layout, QStringLiteral("OK"));
    value->setFocus();
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return std::pair{choice->currentIndex(), value->text()};
}

std::optional<QString> WidgetPrompts::askPassword(const QString& title, const QString& text)
{
    QDialog dialog(m_parent);
    QVBoxLayout* layout = startDialog(dialog, title, text);
    auto* password = new QLineEdit(&dialog);
    password->setEchoMode(QLineEdit::Password);
    layout->addWidget(password);
    addButtons(dialog, *layout, QStringLiteral("OK"));
    password->setFocus();
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return password->text();
}

std::optional<QList<int>> WidgetPrompts::chooseOptions(const QString& title, const QString& text,
                                                       const QList<PromptChoice>& choices)
{
    QDialog dialog(m_parent);
    QVBoxLayout* layout = startDialog(dialog, title, text);
    auto* form = new QFormLayout;
    QList<QComboBox*> boxes;
    for (const PromptChoice& choice : choices) {
        auto* box = new QComboBox(&dialog);
        box->addItems(choice.options);
        box->setCurrentIndex(choice.current);
        form->addRow(choice.label, box);
        boxes << box;
    }
    layout->addLayout(form);
    addButtons(dialog, *layout, QStringLiteral("OK"));
    if (!boxes.isEmpty())
        boxes.front()->setFocus();
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    QList<int> chosen;
    for (const QComboBox* box : boxes)
        chosen << box->currentIndex();
    return chosen;
}

bool WidgetPrompts::choosePrinter(QPrinter& printer)
{
    QPrintDialog dialog(&printer, m_parent);
    return dialog.exec() == QDialog::Accepted;
}

} // namespace stowfolio
