#include "app/owner_fields_command.h"

namespace stowfolio {

WithOwnerFieldsCommand::WithOwnerFieldsCommand(std::unique_ptr<QUndoCommand> listChange,
                                               QStringList before, QStringList after,
                                               SetOwnerFields setOwnerFields)
    : QUndoCommand(listChange->text()), m_listChange(std::move(listChange)),
      m_before(std::move(before)), m_after(std::move(after)),
      m_setOwnerFields(std::move(setOwnerFields))
{
}

// A list change the store refused makes the whole step obsolete; the fields then stay as they
// are, as they do after any refused change.
void WithOwnerFieldsCommand::redo()
{
    m_listChange->redo();
    if (m_listChange->isObsolete()) {
        setObsolete(true);
        return;
    }
    m_setOwnerFields(m_after);
}

// The fields come back even when the store refuses to take the list back: they live in the
// settings, not in the inventory.
void WithOwnerFieldsCommand::undo()
{
    m_listChange->undo();
    m_setOwnerFields(m_before);
    if (m_listChange->isObsolete())
        setObsolete(true);
}

} // namespace stowfolio
