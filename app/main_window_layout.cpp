// The main window's controls, placed as drawn in twips.

#include "app/main_window.h"
#include "platform/elastic_form.h"
#include "platform/twips_rect.h"

#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QScrollArea>
#include <QStatusBar>
#include <QStyle>
#include <QTreeView>

namespace stowfolio {

namespace {

constexpr int kClientWidth = 9480;
// Tall enough to show the Add and Delete row (top 11250, height 405) with the same margin
// below it as the window keeps at its sides.
constexpr int kClientHeight = 11250 + 405 + 120;
constexpr int kFieldHeight = 345;
constexpr int kLabelHeight = 225;
constexpr int kLabelGap = 300;       // between a label's right end and its field
constexpr int kLabelDrop = 68;       // a label's top below its field's top
constexpr int kLabelLeftMargin = 15; // where a label may start inside its frame

QFont formFont()
{
    QFont font(QStringLiteral("Arial"));
    font.setPointSizeF(9);
    font.setBold(true);
    return font;
}

QFont buttonFont()
{
    QFont font(QStringLiteral("Arial"));
    font.setPointSizeF(11.25);
    font.setBold(true);
    return font;
}

} // namespace

void MainWindow::buildControls()
{
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowMaximizeButtonHint | Qt::WindowCloseButtonHint);
    // The form's own area; the menu bar and the status line keep the desktop's look. It is
    // never smaller than drawn: a window smaller than that (a small screen) scrolls it, and a
    // larger one gives the extra room to the item list (placeControlsForResizing).
    const QSize drawn(spreadsheet::twipsToPixels(kClientWidth),
                      spreadsheet::twipsToPixels(kClientHeight));
    m_client = new ElasticForm(drawn);
    m_client->setObjectName(QStringLiteral("Form1Client"));
    m_client->setFont(formFont());
    m_client->setMinimumSize(drawn);
    QPalette white = m_client->palette();
    white.setColor(QPalette::Window, Qt::white);
    m_client->setPalette(white);
    m_client->setAutoFillBackground(true);
    m_formArea = new QScrollArea(this);
    m_formArea->setObjectName(QStringLiteral("Form1Scroller"));
    m_formArea->setFrameShape(QFrame::NoFrame);
    m_formArea->setFocusPolicy(Qt::NoFocus);
    m_formArea->setWidgetResizable(true);
    m_formArea->setWidget(m_client);
    setCentralWidget(m_formArea);

    m_templateButton = addButton(m_client, "PushButton6", QStringLiteral("Start Creating Template"),
                                 120, 120, 9240, 405);
    m_helpButton = addButton(m_client, "PushButton4", QStringLiteral("Help"), 120, 630, 4560, 405);
    m_sampleButton = addButton(m_client, "PushButton7", QStringLiteral("Load Sample/Example Data"),
                               4800, 630, 4560, 405);
    buildList();

    QGroupBox* personal = addFrame("Frame1", QStringLiteral("Personal Information"), 2595, 1900);
    m_ownerFields[0] = addField(personal, "txtName", QStringLiteral("Name:"), 240);
    m_ownerFields[1] = addField(personal, "txtLocation", QStringLiteral("Address:"), 630);
    m_ownerFields[2] = addField(personal, "txtCity", QStringLiteral("City, ST  ZIP Code:"), 1020);
    m_ownerFields[3] = addField(personal, "txtPhone", QStringLiteral("Phone:"), 1410);

    QGroupBox* insurance = addFrame("Frame3", QStringLiteral("Insurance Information"), 4575, 1860);
    m_ownerFields[4] = addField(insurance, "txtInsCompany", QStringLiteral("Company Name:"), 240);
    m_ownerFields[5] = addField(insurance, "txtAgent", QStringLiteral("Agent Name:"), 630);
    m_ownerFields[6] = addField(insurance, "txtInsPhone", QStringLiteral("Phone:"), 1020);
    m_ownerFields[7] = addField(insurance, "txtPolNo", QStringLiteral("Policy Number:"), 1410);

    QGroupBox* details = addFrame("Frame2", QStringLiteral("Inventory Details"), 6510, 4635);
    // The item fields: each named and labelled as the field table says, at its place on the
    // form. The price shares the date's row, with its label to the left of its field.
    const auto addItemField = [&](ItemField field, int top, int left = 2040, int width = 7070) {
        const ItemFieldInfo& info = kItemFields[static_cast<std::size_t>(field)];
        const QByteArray name(info.entryName.data(), static_cast<qsizetype>(info.entryName.size()));
        const QString label = field == kPriceField ? QString() : fieldText(info.name) + ':';
        m_itemFields[field] = addField(details, name.constData(), label, top, left, width);
    };
    addItemField(kLocationField, 240);
    addItemField(kDescriptionField, 630);
    addItemField(kDateField, 1020, 2040, 2325);
    addItemField(kPriceField, 1020, 6720, 2380);
    // "Price:" ends at 6420 and sits 75 below its field's top.
    auto* priceLabel = new QLabel(QStringLiteral("Price:"), details);
    priceLabel->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    priceLabel->setGeometry(twipsRect(4500, 1020 + 75, 6420 - 4500, kLabelHeight));
    m_labels << priceLabel;
    addItemField(kWhereField, 1410);
    addItemField(kWarrantyField, 1800);
    addItemField(kConditionField, 2190);
    addItemField(kEstimatedValueField, 2580);
    addItemField(kModelField, 2970);
    addItemField(kSerialField, 3360);
    addItemField(kNotesField, 3750);
    addItemField(kPhotoField, 4140, 2040, 6285);
    m_photoButton = addButton(details, "PushButton3", QStringLiteral("..."), 8450, 4140, 640, 360);

    m_addButton = addButton(m_client, "PushButton1", QStringLiteral("Add"), 120, 11250, 4440, 405);
    m_deleteButton =
        addButton(m_client, "PushButton2", QStringLiteral("Delete Selected Entry (Above)"), 4680,
                  11250, 4680, 405);
    setFocusOrder();
    placeControlsForResizing();
}

// The list takes what the window has beyond its drawn size; what lies below it follows the
// bottom edge. The owner and item fields keep their order and size.
void MainWindow::placeControlsForResizing()
{
    auto& form = static_cast<ElasticForm&>(*m_client);
    form.follow(m_list, ElasticForm::StretchBoth);
    for (const char* below : {"Frame1", "Frame3", "Frame2"})
        form.follow(
            m_client->findChild<QGroupBox*>(QLatin1String(below), Qt::FindDirectChildrenOnly),
            ElasticForm::MoveDown);
    form.follow(m_addButton, ElasticForm::MoveDown);
    form.follow(m_deleteButton, ElasticForm::MoveDown);
}

QSize MainWindow::defaultSize() const
{
    const auto& form = static_cast<const ElasticForm&>(*m_client);
    return form.drawnSize() +
           QSize(0, menuBar()->sizeHint().height() + statusBar()->sizeHint().height());
}

QSize MainWindow::sizeToOpen(const QSize& room) const
{
    QSize wanted = defaultSize();
    if (wanted.height() > room.height())
        wanted.rwidth() += style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, this);
    return wanted;
}

QGroupBox* MainWindow::addFrame(const char* name, const QString& caption, int top, int height)
{
    auto* frame = new QGroupBox(caption, m_client);
    frame->setObjectName(QLatin1String(name));
    frame->setGeometry(twipsRect(120, top, 9240, height));
    return frame;
}

QLineEdit* MainWindow::addField(QGroupBox* frame, const char* name, const QString& label, int top,
                                int left, int width)
{
    auto* field = new QLineEdit(frame);
    field->setObjectName(QLatin1String(name));
    field->setGeometry(twipsRect(left, top, width, kFieldHeight));
    if (!label.isEmpty()) {
        auto* caption = new QLabel(label, frame);
        caption->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        const int right = left - kLabelGap;
        caption->setGeometry(
            twipsRect(kLabelLeftMargin, top + kLabelDrop, right - kLabelLeftMargin, kLabelHeight));
        caption->setBuddy(field);
        m_labels << caption;
    }
    return field;
}

QPushButton* MainWindow::addButton(QWidget* parent, const char* name, const QString& caption,
                                   int left, int top, int width, int height)
{
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(QLatin1String(name));
    button->setFont(buttonFont());
    button->setAutoDefault(false);
    button->setGeometry(twipsRect(left, top, width, height));
    return button;
}

void MainWindow::buildList()
{
    m_list = new QTreeView(m_client);
    m_list->setObjectName(QStringLiteral("ListView1"));
    m_list->setGeometry(twipsRect(120, 1140, 9240, 1395));
    m_list->setModel(&m_shown);
    for (int c = 0; c < kItemFieldCount; ++c)
        m_list->setColumnWidth(
            c, spreadsheet::twipsToPixels(kItemFields[static_cast<std::size_t>(c)].listWidthTwips));
    m_list->header()->setStretchLastSection(false);
    m_list->header()->setSectionsMovable(false);
    // A flat report view; uniform rows keep ten thousand items instant.
    m_list->setRootIsDecorated(false);
    m_list->setItemsExpandable(false);
    m_list->setUniformRowHeights(true);
    m_list->setAllColumnsShowFocus(true);
    m_list->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_list->setSelectionBehavior(QAbstractItemView::SelectRows);
    // A double click edits the clicked field; F2 and the menu go through Edit Item.
    m_list->setEditTriggers(QAbstractItemView::DoubleClicked);
    m_list->setSortingEnabled(false);
    m_list->setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
}

void MainWindow::setFocusOrder()
{
    // The owner and insurance fields, then the item fields in the order they are laid out (the
    // price shares the date's row), then the buttons and the list.
    const std::array<QWidget*, 27> order = {
        m_ownerFields[0], m_ownerFields[1], m_ownerFields[2], m_ownerFields[3], m_ownerFields[4],
        m_ownerFields[5], m_ownerFields[6], m_ownerFields[7], m_itemFields[0],  m_itemFields[1],
        m_itemFields[2],  m_itemFields[5],  m_itemFields[3],  m_itemFields[4],  m_itemFields[6],
        m_itemFields[7],  m_itemFields[8],  m_itemFields[9],  m_itemFields[10], m_itemFields[11],
        m_photoButton,    m_templateButton, m_addButton,      m_deleteButton,   m_list,
        m_helpButton,     m_sampleButton};
    for (std::size_t i = 0; i + 1 < order.size(); ++i)
        QWidget::setTabOrder(order[i], order[i + 1]);
}

} // namespace stowfolio
