#include "app/typing_command.h"

#include <QLineEdit>

namespace stowfolio {

namespace {

constexpr int kTypingCommandId = 0x7479; // one id for every field: mergeWith tells them apart

} // namespace

TypingCommand::TypingCommand(QLineEdit& field, const QString& fieldName, QString before,
                             QString after, int visit)
    : QUndoCommand(QStringLiteral("Typing in %1").arg(fieldName)), m_field(&field),
      m_before(std::move(before)), m_after(std::move(after)), m_visit(visit)
{
}

void TypingCommand::redo()
{
    if (m_done)
        return;
    if (m_field)
        m_field->setText(m_after);
    m_done = true;
}

void TypingCommand::undo()
{
    if (m_field)
        m_field->setText(m_before);
    m_done = false;
}

int TypingCommand::id() const
{
    return kTypingCommandId;
}

// Typing that brings the field back to what it held before leaves nothing to undo.
bool TypingCommand::mergeWith(const QUndoCommand* other)
{
    const auto* typing = static_cast<const TypingCommand*>(other);
    if (typing->m_field != m_field || typing->m_visit != m_visit)
        return false;
    m_after = typing->m_after;
    setObsolete(m_after == m_before);
    return true;
}

} // namespace stowfolio
