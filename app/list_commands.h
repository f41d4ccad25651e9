#pragma once

// The changes a user can make to the item list, as undoable steps. Every change (Add, Delete,
// the sample row, an edit in place, Duplicate, Move, Sort) is one QUndoCommand over an
// ItemListEditing, so Undo and Redo work the same for all of them and need no widget to be
// tested. Commands for changes a button has already made skip their first redo.

#include <QStringList>
#include <QUndoCommand>

#include <vector>

namespace stowfolio {

// The list as the commands see it: rows of texts by position. Each operation stores the list
// and updates what shows it.
class ItemListEditing
{
public:
    virtual ~ItemListEditing() = default;
    virtual void insertRows(int at, const QList<QStringList>& rows) = 0;
    virtual QList<QStringList> takeRows(int at, int count) = 0;
    virtual QString field(int row, int column) const = 0;
    virtual void setField(int row, int column, const QString& text) = 0;
    virtual void moveRow(int from, int to) = 0;
    // Position i afterwards holds the row that was at order[i].
    virtual void reorderRows(const std::vector<int>& order) = 0;
};

// Whether a command is pushed for a change already on screen (a button's own work) or one
// that its first redo makes.
enum class FirstRedo
{
    AlreadyDone,
    Perform
};

class InsertRowsCommand : public QUndoCommand
{
public:
    InsertRowsCommand(ItemListEditing& list, int at, QList<QStringList> rows, FirstRedo first,
                      const QString& text);
    void redo() override;
    void undo() override;

private:
    ItemListEditing& m_list;
    int m_at;
    QList<QStringList> m_rows;
    bool m_skipRedo;
};

class RemoveRowCommand : public QUndoCommand
{
public:
    RemoveRowCommand(ItemListEditing& list, int at, QStringList row, FirstRedo first);
    void redo() override;
    void undo() override;

private:
    ItemListEditing& m_list;
    int m_at;
    QStringList m_row;
    bool m_skipRedo;
};

class SetFieldCommand : public QUndoCommand
{
public:
    SetFieldCommand(ItemListEditing& list, int row, int column, QString text);
    void redo() override;
    void undo() override;

private:
    ItemListEditing& m_list;
    int m_row;
    int m_column;
    QString m_old;
    QString m_new;
};

class MoveRowCommand : public QUndoCommand
{
public:
    MoveRowCommand(ItemListEditing& list, int from, int to);
    void redo() override;
    void undo() override;

private:
    ItemListEditing& m_list;
    int m_from;
    int m_to;
};

class ReorderRowsCommand : public QUndoCommand
{
public:
    ReorderRowsCommand(ItemListEditing& list, std::vector<int> order, const QString& text);
    void redo() override;
    void undo() override;

private:
    ItemListEditing& m_list;
    std::vector<int> m_order;
};

} // namespace stowfolio
