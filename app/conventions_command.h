#pragma once

// Edit ▸ Dates and Amounts…: the inventory's conventions (inventory_conventions.h) chosen from a
// short form of choices, and the change as one undoable step that rewrites every date and
// amount of the list into the new conventions, so each keeps its value.

#include "app/list_commands.h"
#include "platform/prompts.h"
#include "state/inventory_conventions.h"

#include <optional>

namespace stowfolio {

// The choices the form offers, the current conventions chosen at first: decimal mark, grouping
// mark, currency sign and date form, in that order.
QList<PromptChoice> conventionChoices(const InventoryConventions& current);

// The conventions the options `chosen` (one index per choice of conventionChoices(current))
// name; nothing when they do not go together (the same mark for decimals and groups), with
// the reason in `problem`.
std::optional<InventoryConventions> chosenConventions(const InventoryConventions& current,
                                                      const QList<int>& chosen, QString& problem);

// The inventory's conventions from `before` to `after`, with the texts they rewrite: `rewritten`
// holds what each becomes, `original` what it was. A text that is no longer what the step left
// (an item another process added or changed meanwhile) is converted afresh instead, so Undo and
// Redo leave every date and amount in the conventions they set.
class SetConventionsCommand : public QUndoCommand
{
public:
    SetConventionsCommand(ItemListEditing& list, InventoryConventions before,
                          InventoryConventions after, std::vector<ItemFieldText> original,
                          std::vector<ItemFieldText> rewritten);
    void redo() override;
    void undo() override;

private:
    // The texts that change when the conventions go from `from` to `to`: the recorded `toTexts`
    // where the list still holds the matching `fromTexts`, a fresh conversion elsewhere.
    std::vector<ItemFieldText> textsFor(const InventoryConventions& from,
                                        const InventoryConventions& to,
                                        const std::vector<ItemFieldText>& fromTexts,
                                        const std::vector<ItemFieldText>& toTexts) const;

    ItemListEditing& m_list;
    InventoryConventions m_before;
    InventoryConventions m_after;
    std::vector<ItemFieldText> m_original;
    std::vector<ItemFieldText> m_rewritten;
};

} // namespace stowfolio
