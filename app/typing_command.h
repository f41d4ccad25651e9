#pragma once

// Typing in an entry field as one step on the window's undo stack, so that Ctrl+Z in a field
// undoes what the Edit menu names. The keystrokes that follow each other in one field make one
// step until the focus leaves it, as editors group typing.

#include <QPointer>
#include <QString>
#include <QUndoCommand>

class QLineEdit;

namespace stowfolio {

class TypingCommand : public QUndoCommand
{
public:
    // `field` already holds `after`; `visit` tells apart the times the field had the focus, so
    // that typing after coming back to a field is a step of its own.
    TypingCommand(QLineEdit& field, const QString& fieldName, QString before, QString after,
                  int visit);

    void redo() override;
    void undo() override;
    int id() const override;
    bool mergeWith(const QUndoCommand* other) override;

private:
    QPointer<QLineEdit> m_field;
    QString m_before;
    QString m_after;
    int m_visit;
    bool m_done = true; // the field holds `m_after` when the command is pushed
};

} // namespace stowfolio
