#include "app/item_details_window.h"

#include <QComboBox>
#include <QDateTime>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMimeDatabase>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

#include <algorithm>

namespace stowfolio {

namespace {

QString kindName(AttachmentKind kind)
{
    switch (kind) {
    case AttachmentKind::Photo:
        return QStringLiteral("Photo");
    case AttachmentKind::Receipt:
        return QStringLiteral("Receipt");
    case AttachmentKind::Manual:
        return QStringLiteral("Manual");
    case AttachmentKind::Appraisal:
        return QStringLiteral("Appraisal");
    case AttachmentKind::Document:
        break;
    }
    return QStringLiteral("Document");
}

// Whether a thumbnail is worth trying: by the original name, as the file has none of its own.
bool looksLikePicture(const Attachment& attachment)
{
    return QMimeDatabase()
        .mimeTypeForFile(attachment.file.originalName, QMimeDatabase::MatchExtension)
        .name()
        .startsWith(QLatin1String("image/"));
}

QString dateText(const QString& iso)
{
    const QDateTime when = QDateTime::fromString(iso, Qt::ISODate);
    return when.isValid() ? QLocale().toString(when, QLocale::ShortFormat) : iso;
}

} // namespace

ItemDetailsWindow::ItemDetailsWindow(const Item& item, const QStringList& captions,
                                     ItemAttachments& attachments, Actions actions, QWidget* parent)
    : QDialog(parent), m_item(item.id), m_attachments(attachments), m_actions(std::move(actions))
{
    setObjectName(QStringLiteral("ItemDetails"));
    setWindowTitle(QStringLiteral("Item Details"));
    setAttribute(Qt::WA_DeleteOnClose);

    auto* fields = new QFormLayout;
    for (int i = 0; i < kItemFieldCount; ++i) {
        auto* value = new QLabel(item.fields[static_cast<std::size_t>(i)]);
        value->setObjectName(QStringLiteral("field%1").arg(i));
        value->setTextFormat(Qt::PlainText);
        value->setTextInteractionFlags(Qt::TextSelectableByMouse);
        value->setWordWrap(true);
        fields->addRow(captions.value(i).trimmed() + QLatin1Char(':'), value);
        m_fields.push_back(value);
    }

    m_list = new QListWidget;
    m_list->setObjectName(QStringLiteral("attachmentList"));
    m_list->setViewMode(QListView::IconMode);
    m_list->setIconSize(QSize(kThumbnailPixels, kThumbnailPixels));
    m_list->setResizeMode(QListView::Adjust);
    m_list->setMovement(QListView::Static);
    m_list->setWordWrap(true);
    m_list->setMinimumSize(4 * kThumbnailPixels, 2 * kThumbnailPixels);

    m_caption = new QLineEdit;
    m_caption->setObjectName(QStringLiteral("captionField"));
    m_kind = new QComboBox;
    m_kind->setObjectName(QStringLiteral("kindBox"));
    for (const AttachmentKind kind : kAttachmentKinds)
        m_kind->addItem(kindName(kind), static_cast<int>(kind));
    m_facts = new QLabel;
    m_facts->setObjectName(QStringLiteral("attachmentFacts"));
    auto* edit = new QFormLayout;
    edit->addRow(QStringLiteral("&Caption:"), m_caption);
    edit->addRow(QStringLiteral("&Kind:"), m_kind);
    edit->addRow(QString(), m_facts);

    auto* add = new QPushButton(QStringLiteral("&Add…"));
    add->setObjectName(QStringLiteral("addAttachmentsButton"));
    m_open = new QPushButton(QStringLiteral("&Open"));
    m_open->setObjectName(QStringLiteral("openAttachmentButton"));
    m_remove = new QPushButton(QStringLiteral("&Remove"));
    m_remove->setObjectName(QStringLiteral("removeAttachmentButton"));
    m_primary = new QPushButton(QStringLiteral("Make &Primary Photo"));
    m_primary->setObjectName(QStringLiteral("makePrimaryButton"));
    auto* buttons = new QHBoxLayout;
    for (QPushButton* button : {add, m_open, m_remove, m_primary})
        buttons->addWidget(button);
    buttons->addStretch();
    auto* close = new QDialogButtonBox(QDialogButtonBox::Close);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(fields);
    layout->addWidget(new QLabel(QStringLiteral("Attachments:")));
    layout->addWidget(m_list, 1);
    layout->addLayout(edit);
    layout->addLayout(buttons);
    layout->addWidget(close);

    connect(close, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(add, &QPushButton::clicked, this, [this] {
        if (m_actions.addFiles)
            m_actions.addFiles(m_item);
    });
    connect(m_open, &QPushButton::clicked, this, [this] {
        if (const Attachment* shown = current(); shown && m_actions.open)
            m_actions.open(*shown);
    });
    connect(m_list, &QListWidget::itemActivated, m_open, &QPushButton::click);
    connect(m_remove, &QPushButton::clicked, this, [this] {
        if (const Attachment* shown = current())
            m_attachments.remove(shown->id);
    });
    connect(m_primary, &QPushButton::clicked, this, [this] {
        if (const Attachment* shown = current())
            m_attachments.makePrimary(shown->id);
    });
    connect(m_caption, &QLineEdit::editingFinished, this, [this] {
        if (const Attachment* shown = current())
            m_attachments.setCaption(shown->id, m_caption->text());
    });
    connect(m_kind, &QComboBox::activated, this, [this](int index) {
        if (const Attachment* shown = current())
            m_attachments.setKind(shown->id,
                                  static_cast<AttachmentKind>(m_kind->itemData(index).toInt()));
    });
    connect(m_list, &QListWidget::currentRowChanged, this, [this] { showCurrent(); });
    connect(&m_attachments, &ItemAttachments::changed, this, [this](ItemId changed) {
        if (changed == m_item)
            reload();
    });
    m_thumbnailTimer.setInterval(0);
    connect(&m_thumbnailTimer, &QTimer::timeout, this, &ItemDetailsWindow::makeNextThumbnail);
    reload();
}

const Attachment* ItemDetailsWindow::current() const
{
    const int row = m_list->currentRow();
    if (row < 0 || row >= static_cast<int>(m_shown.size()))
        return nullptr;
    return &m_shown[static_cast<std::size_t>(row)];
}

void ItemDetailsWindow::reload()
{
    const Attachment* before = current();
    const AttachmentId currentId = before ? before->id : 0;
    // The thumbnails already made are kept by attachment id; only new ones are made.
    QHash<AttachmentId, QIcon> made;
    for (int row = 0; row < m_list->count(); ++row)
        if (!std::ranges::count(m_pendingThumbnails, row))
            made.insert(m_shown[static_cast<std::size_t>(row)].id, m_list->item(row)->icon());

    m_shown = m_attachments.of(m_item);
    m_pendingThumbnails.clear();
    const QSignalBlocker quiet(m_list);
    m_list->clear();
    const QIcon generic = style()->standardIcon(QStyle::SP_FileIcon);
    int currentRow = m_shown.empty() ? -1 : 0;
    for (std::size_t i = 0; i < m_shown.size(); ++i) {
        const Attachment& attachment = m_shown[i];
        const int row = static_cast<int>(i);
        QString label = kindName(attachment.kind);
        if (i == 0 && attachment.kind == AttachmentKind::Photo)
            label = QStringLiteral("Primary photo");
        label += QLatin1Char('\n') +
                 (attachment.caption.isEmpty() ? attachment.file.originalName : attachment.caption);
        auto* entry = new QListWidgetItem(made.value(attachment.id, generic), label, m_list);
        entry->setToolTip(attachment.file.originalName);
        entry->setSizeHint(QSize(kThumbnailPixels + 24, kThumbnailPixels + 48));
        if (!made.contains(attachment.id) && looksLikePicture(attachment))
            m_pendingThumbnails.push_back(row);
        if (attachment.id == currentId)
            currentRow = row;
    }
    m_list->setCurrentRow(currentRow);
    std::ranges::reverse(m_pendingThumbnails); // made from the back: the first shown first
    if (!m_pendingThumbnails.empty())
        m_thumbnailTimer.start();
    showCurrent();
}

void ItemDetailsWindow::showCurrent()
{
    const Attachment* shown = current();
    for (QWidget* control : std::initializer_list<QWidget*>{m_caption, m_kind, m_open, m_remove})
        control->setEnabled(shown != nullptr);
    m_primary->setEnabled(shown && shown->position != 0);
    if (!shown) {
        m_caption->clear();
        m_facts->clear();
        return;
    }
    m_caption->setText(shown->caption);
    m_kind->setCurrentIndex(m_kind->findData(static_cast<int>(shown->kind)));
    QString facts = shown->file.originalName + QStringLiteral(" — added ") + dateText(shown->added);
    if (!shown->file.taken.isEmpty())
        facts += QStringLiteral(", taken ") + dateText(shown->file.taken);
    if (!shown->file.camera.isEmpty())
        facts += QStringLiteral(" (") + shown->file.camera + QLatin1Char(')');
    m_facts->setText(facts);
}

void ItemDetailsWindow::makeNextThumbnail()
{
    if (m_pendingThumbnails.empty()) {
        m_thumbnailTimer.stop();
        return;
    }
    const int row = m_pendingThumbnails.back();
    m_pendingThumbnails.pop_back();
    if (row >= static_cast<int>(m_shown.size()) || row >= m_list->count())
        return;
    try {
        const QImage picture = m_attachments.keeper().picture(
            m_shown[static_cast<std::size_t>(row)], QSize(kThumbnailPixels, kThumbnailPixels));
        m_list->item(row)->setIcon(QIcon(QPixmap::fromImage(picture)));
    } catch (const std::exception&) {
        // A damaged file keeps the generic icon; opening it tells the viewer's own story.
    }
}

void ItemDetailsWindow::showFields(const Item& item)
{
    for (std::size_t i = 0; i < m_fields.size() && i < item.fields.size(); ++i)
        m_fields[i]->setText(item.fields[i]);
}

void ItemDetailsWindow::finishThumbnails()
{
    while (!m_pendingThumbnails.empty())
        makeNextThumbnail();
    m_thumbnailTimer.stop();
}

} // namespace stowfolio
