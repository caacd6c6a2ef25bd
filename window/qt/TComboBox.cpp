#include "window/qt/TComboBox.h"

#include <QAbstractItemView>
#include <QEvent>
#include <QPainter>
#include <QProxyStyle>
#include <QStylePainter>

#include "window/qt/Look.h"

namespace vorlane {
namespace {

// Styles such as Fusion open a non-editable combo box as a menu laid over the field, showing
// every entry. The drive list drops down below its field instead, 8 entries at most, and
// scrolls beyond that.
class TDropDownListStyle : public QProxyStyle {
 public:
  int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                QStyleHintReturn* returnData) const override {
    if (hint == SH_ComboBox_Popup) return 0;
    return QProxyStyle::styleHint(hint, option, widget, returnData);
  }
};

// A dotted frame that inverts every other pixel it passes. Drawn by the delegate itself: some
// styles draw focus frames only after keyboard navigation, and the selected entry of a focused
// list always shows one.
void DrawFocusRect(QPainter& painter, const QRect& rect) {
  QPen dots(Qt::white);
  dots.setDashPattern({1, 1});
  painter.save();
  painter.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
  painter.setPen(dots);
  painter.drawRect(rect.adjusted(0, 0, -1, -1));
  painter.restore();
}

}  // namespace

TComboBox::TComboBox(QWidget* parent) : QComboBox(parent) {
  auto* style = new TDropDownListStyle;
  style->setParent(this);
  setStyle(style);
  setEditable(false);
  setMaxVisibleItems(8);
  setItemDelegate(new TDriveItemDelegate(this));
  // The open list is a popup window of its own; watching it hide catches every way it
  // closes, including those that bypass hidePopup().
  view()->window()->installEventFilter(this);
  // The closed list shows its selected entry's tooltip, where the pointer usually rests.
  const auto showSelectedTip = [this] { setToolTip(currentData(Qt::ToolTipRole).toString()); };
  connect(this, &QComboBox::currentIndexChanged, this, showSelectedTip);
  connect(model(), &QAbstractItemModel::dataChanged, this, showSelectedTip);
}

void TComboBox::showPopup() {
  emit DropDown();
  QComboBox::showPopup();
  if (view()->window()->isVisible()) Popup = TPopupState::Open;
}

bool TComboBox::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::Hide && watched == view()->window() && Popup == TPopupState::Open) {
    Popup = TPopupState::ClosingUp;
    // Qt hides the list before it applies a pick; waiting for the event loop lets the pick
    // land first.
    QMetaObject::invokeMethod(this, &TComboBox::FinishCloseUp, Qt::QueuedConnection);
  }
  return QComboBox::eventFilter(watched, event);
}

void TComboBox::FinishCloseUp() {
  Popup = TPopupState::Closed;
  emit CloseUp();
}

void TComboBox::paintEvent(QPaintEvent*) {
  QStylePainter painter(this);
  QStyleOptionComboBox frame;
  initStyleOption(&frame);
  frame.currentText.clear();
  frame.currentIcon = QIcon();
  painter.drawComplexControl(QStyle::CC_ComboBox, frame);

  const QRect field =
      style()->subControlRect(QStyle::CC_ComboBox, &frame, QStyle::SC_ComboBoxEditField, this);
  QStyleOptionViewItem entry;
  entry.initFrom(this);
  entry.widget = this;
  entry.rect = QRect(field.left(), field.top() + (field.height() - DriveEntryHeight) / 2,
                     field.width(), DriveEntryHeight);
  // A focused list shows its selected entry highlighted in the field, as a focused list
  // box does.
  entry.state &= ~(QStyle::State_Selected | QStyle::State_HasFocus);
  if (hasFocus() && currentIndex() >= 0) entry.state |= QStyle::State_Selected;
  if (hasFocus()) entry.state |= QStyle::State_HasFocus;
  const QModelIndex current = model()->index(currentIndex(), modelColumn(), rootModelIndex());
  itemDelegate()->paint(&painter, entry, current);
}

void TDriveItemDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                               const QModelIndex& index) const {
  const bool selected = option.state & QStyle::State_Selected;
  painter->save();
  painter->fillRect(option.rect, selected ? option.palette.highlight() : QBrush(SkyBlue));
  painter->setPen(option.palette.color(selected ? QPalette::HighlightedText : QPalette::Text));
  painter->setFont(option.font);
  painter->drawText(option.rect.adjusted(2, 0, 0, 0),
                    Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine,
                    index.data(Qt::DisplayRole).toString());
  painter->restore();

  if (selected && (option.state & QStyle::State_HasFocus)) DrawFocusRect(*painter, option.rect);
}

QSize TDriveItemDelegate::sizeHint(const QStyleOptionViewItem& option,
                                   const QModelIndex& index) const {
  return {QStyledItemDelegate::sizeHint(option, index).width(), DriveEntryHeight};
}

}  // namespace vorlane
