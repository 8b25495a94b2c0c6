#pragma once
// The rows of a GuideListBox: CP932 byte strings kept in a ByteList, decoded
// only when the view asks for a visible row. Appending is cheap: new rows are
// announced to the views in one batch (Flush), so a hundred thousand Append
// calls in a row cost one insertion notice.

#include <QAbstractListModel>
#include <QFont>
#include <QSize>
#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>

#include "catalogue/ByteList.h"

namespace tavren {

class ByteListModel : public QAbstractListModel {
  Q_OBJECT
 public:
  explicit ByteListModel(QObject* parent = nullptr);

  // Number of items held, announced to the views or not. Never throws.
  int Size() const noexcept { return items_.Size(); }
  // Item i as stored; i must be in [0, Size()).
  std::string_view At(int i) const noexcept { return items_.At(i); }

  // Appends an item. The views learn of it at the next Flush; the model
  // schedules one on the event loop when the first pending item arrives.
  void Append(std::string_view item);
  // Removes every item and tells the views at once.
  void Clear();
  // Announces the items appended since the last flush. Cheap when none are pending.
  void Flush();

  // Row height and the font the widths are measured with (the view's font).
  // Both reset the cached widths; rows report QSize(widest item, row height).
  void SetRowHeight(int px);
  void SetFont(const QFont& font);

  // QAbstractListModel: rows are the announced items only.
  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

 private:
  // Measures the character with CP932 code `code` (a byte, or lead * 256 +
  // trail) in font_ and records it in widthPages_.
  int MeasureChar(std::size_t code);
  // Width of an item in sixteenths of a pixel: summed character advances.
  std::int64_t ItemWidth(std::string_view item);
  void MeasureRows(int first, int last);

  ByteList items_;
  int announced_ = 0;
  bool flushQueued_ = false;

  QFont font_;
  int rowHeight_ = 0;
  int widest_ = 0;
  bool fontSet_ = false;
  // Widths in 1/16 px by CP932 code (byte, or lead * 256 + trail), in pages
  // of 256 codes made when a code of theirs is first measured: a guide uses
  // a few dozen of the 256 pages. -1: not measured.
  std::array<std::unique_ptr<std::int16_t[]>, 256> widthPages_;
};

}  // namespace tavren
