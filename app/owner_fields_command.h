#pragma once

// A change of the list that also changed the owner and insurance fields (the sample data fills
// both): one step on the undo stack, whose undo brings back the list and the texts the fields
// held before, and whose redo puts both back again.

#include <QStringList>
#include <QUndoCommand>

#include <functional>
#include <memory>

namespace stowfolio {

class WithOwnerFieldsCommand : public QUndoCommand
{
public:
    using SetOwnerFields = std::function<void(const QStringList&)>;

    // `listChange` is done by the first redo; the fields already hold `after` then.
    WithOwnerFieldsCommand(std::unique_ptr<QUndoCommand> listChange, QStringList before,
                           QStringList after, SetOwnerFields setOwnerFields);
    void redo() override;
    void undo() override;

private:
    std::unique_ptr<QUndoCommand> m_listChange;
    QStringList m_before;
    QStringList m_after;
    SetOwnerFields m_setOwnerFields;
};

} // namespace stowfolio
