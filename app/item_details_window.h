#pragma once

// Item Details: every field of one item, and the files kept with it as thumbnails, each with its
// kind, caption, original name and dates. Add…, Open, Remove, Make Primary Photo and the caption
// and kind fields change the attachments through ItemAttachments, so each change is one step on
// the main window's undo stack; the window follows every change, its undo and its redo.
//
// The thumbnails are made one at a time from the event loop after the window shows, so a window
// with fifty photos opens at once and fills in.

#include "app/item_attachments.h"

#include <QDialog>
#include <QTimer>

#include <functional>
#include <vector>

class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;

namespace stowfolio {

class ItemDetailsWindow : public QDialog
{
    Q_OBJECT

public:
    static constexpr int kThumbnailPixels = 160;

    struct Actions
    {
        // Asks for files and keeps them with the item (the main window's Add Attachments).
        std::function<void(ItemId)> addFiles;
        // Shows a kept file in the desktop's viewer.
        std::function<void(const Attachment&)> open;
    };

    // `captions` name the fields, in order.
    ItemDetailsWindow(const Item& item, const QStringList& captions, ItemAttachments& attachments,
                      Actions actions, QWidget* parent = nullptr);

    ItemId item() const { return m_item; }
    // Shows the item's fields as they are now (after an edit in the list, its undo, a Set Field).
    void showFields(const Item& item);
    // The attachments shown, in order.
    const std::vector<Attachment>& attachments() const { return m_shown; }
    // Makes the thumbnails still missing now (tests; the window makes them as it idles).
    void finishThumbnails();

private:
    void reload();
    void showCurrent();
    const Attachment* current() const;
    void makeNextThumbnail();

    ItemId m_item;
    ItemAttachments& m_attachments;
    Actions m_actions;
    std::vector<Attachment> m_shown;
    // Rows whose thumbnail is still to be made.
    std::vector<int> m_pendingThumbnails;
    QTimer m_thumbnailTimer;
    std::vector<QLabel*> m_fields;
    QListWidget* m_list = nullptr;
    QLineEdit* m_caption = nullptr;
    QComboBox* m_kind = nullptr;
    QLabel* m_facts = nullptr;
    QPushButton* m_open = nullptr;
    QPushButton* m_remove = nullptr;
    QPushButton* m_primary = nullptr;
};

} // namespace stowfolio
