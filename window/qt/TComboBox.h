// The drive list: a drop-down list that announces when it is about to open and when it has
// closed, so the window can refresh the entries just before the user sees them.
#pragma once

#include <QComboBox>
#include <QStyledItemDelegate>

namespace vorlane {

inline constexpr int DriveEntryHeight = 16;

class TComboBox : public QComboBox {
  Q_OBJECT

 public:
  explicit TComboBox(QWidget* parent = nullptr);

  // DropDown comes before the list is shown, so changes made on it are what opens.
  void showPopup() override;
  // From the opening of the list until its CloseUp has been emitted. An empty list never opens.
  bool DroppedDown() const { return Popup != TPopupState::Closed; }

 signals:
  void DropDown();
  // Once per opening, after the open list has closed however it closed (a pick, Escape, a
  // click elsewhere, the desktop closing popups when another program takes the focus). It
  // comes from the event loop, so a pick is already the current entry and its activated()
  // has already been emitted.
  void CloseUp();

 protected:
  // The selection field is drawn like an entry of the open list.
  void paintEvent(QPaintEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  enum class TPopupState { Closed, Open, ClosingUp };
  void FinishCloseUp();

  TPopupState Popup = TPopupState::Closed;
};

// Draws an entry: its rectangle filled sky blue (highlight colours when selected), the text
// 2 pixels from the left at the top, a focus rectangle on the entry that has the focus.
class TDriveItemDelegate : public QStyledItemDelegate {
  Q_OBJECT

 public:
  using QStyledItemDelegate::QStyledItemDelegate;

  void paint(QPainter* painter, const QStyleOptionViewItem& option,
             const QModelIndex& index) const override;
  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
};

}  // namespace vorlane
