#include "ui/ByteListModel.h"

#include <QFontMetricsF>
#include <QMetaObject>
#include <QString>
#include <algorithm>
#include <cmath>

#include "base/CodePage.h"
#include "base/QtText.h"

namespace tavren {

namespace {

// Space the item delegate keeps beside the text, so the widest item is not
// clipped when scrolled fully to the right.
constexpr int kTextMargin = 8;
// Character widths are summed in these fractions of a pixel.
constexpr int kSubpixels = 16;
constexpr std::int64_t kWidestShown = 1 << 24;

QString Decode(std::string_view bytes) { return cp932::ToQString(bytes); }

}  // namespace

ByteListModel::ByteListModel(QObject* parent) : QAbstractListModel(parent) {}

void ByteListModel::Append(std::string_view item) {
  items_.Append(item);
  if (!flushQueued_) {
    flushQueued_ = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
          flushQueued_ = false;
          Flush();
        },
        Qt::QueuedConnection);
  }
}

void ByteListModel::Clear() {
  beginResetModel();
  items_.Clear();
  announced_ = 0;
  widest_ = 0;
  endResetModel();
}

void ByteListModel::Flush() {
  const int size = Size();
  if (announced_ >= size) return;
  beginInsertRows(QModelIndex(), announced_, size - 1);
  MeasureRows(announced_, size - 1);
  announced_ = size;
  endInsertRows();
}

void ByteListModel::SetRowHeight(int px) {
  if (px == rowHeight_) return;
  rowHeight_ = px;
  if (announced_ > 0) emit dataChanged(index(0), index(announced_ - 1), {Qt::SizeHintRole});
}

void ByteListModel::SetFont(const QFont& font) {
  if (font == font_ && fontSet_) return;
  font_ = font;
  fontSet_ = true;
  for (auto& page : widthPages_) page.reset();
  widest_ = 0;
  if (announced_ > 0) {
    MeasureRows(0, announced_ - 1);
    emit dataChanged(index(0), index(announced_ - 1), {Qt::SizeHintRole});
  }
}

int ByteListModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : announced_; }

QVariant ByteListModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= announced_) return {};
  switch (role) {
    case Qt::DisplayRole:
      return Decode(At(index.row()));
    case Qt::SizeHintRole:
      return QSize(widest_, rowHeight_);
    default:
      return {};
  }
}

int ByteListModel::MeasureChar(std::size_t code) {
  char bytes[2] = {static_cast<char>(code >> 8), static_cast<char>(code & 0xFF)};
  const std::string_view ch = code > 0xFF ? std::string_view(bytes, 2) : std::string_view(bytes + 1, 1);
  // Kept in sixteenths of a pixel: whole pixels per character would lose the
  // fractions that the text layout adds up along a long item.
  const qreal advance = QFontMetricsF(font_).horizontalAdvance(Decode(ch)) * kSubpixels;
  auto& page = widthPages_[code >> 8];
  if (!page) {
    page = std::make_unique<std::int16_t[]>(256);
    std::fill_n(page.get(), 256, std::int16_t{-1});
  }
  page[code & 0xFF] = static_cast<std::int16_t>(std::clamp(std::ceil(advance), 0.0, 32767.0));
  return page[code & 0xFF];
}

std::int64_t ByteListModel::ItemWidth(std::string_view item) {
  // Summed per-character advances: no shaping, which is close enough for a
  // scroll range and keeps measuring 100,000 items to a table look-up per
  // character. Lead bytes start at 0x81, so two-byte codes (lead * 256 +
  // trail) never collide with single bytes.
  const auto* p = reinterpret_cast<const unsigned char*>(item.data());
  const auto* const end = p + item.size();
  std::int64_t width = 0;
  while (p != end) {
    std::size_t code = *p++;
    if (cp932::IsLeadByte(static_cast<unsigned char>(code)) && p != end) code = code << 8 | *p++;
    const std::int16_t* const page = widthPages_[code >> 8].get();
    const int w = page != nullptr ? page[code & 0xFF] : -1;
    width += w >= 0 ? w : MeasureChar(code);
  }
  return width;
}

void ByteListModel::MeasureRows(int first, int last) {
  fontSet_ = true;
  int widest = widest_;
  for (int row = first; row <= last; ++row) {
    const std::int64_t px = (ItemWidth(At(row)) + kSubpixels - 1) / kSubpixels + kTextMargin;
    // Qt's widget coordinates end well below 2^24; nothing wider can be shown.
    widest = std::max(widest, static_cast<int>(std::min<std::int64_t>(px, kWidestShown)));
  }
  widest_ = widest;
}

}  // namespace tavren
