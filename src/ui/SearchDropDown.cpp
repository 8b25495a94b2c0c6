#include "ui/SearchDropDown.h"

#include <QAbstractListModel>
#include <QApplication>
#include <QLabel>
#include <QListView>
#include <QPainter>
#include <QStyledItemDelegate>
#include <QVBoxLayout>

#include <algorithm>

#include "base/QtText.h"

namespace tavren {

// The found pages as rows. DisplayRole is the row as plain text (title,
// then the two category names), which a screen reader reads.
class SearchResultModel : public QAbstractListModel {
 public:
  SearchResultModel(const PageIndex& pages, const StringList& majors, const StringList& middles, QObject* parent)
      : QAbstractListModel(parent), pages_(pages), majors_(majors), middles_(middles) {}

  void Reset(SearchQuery query, std::vector<int> found) {
    beginResetModel();
    query_ = std::move(query);
    found_ = std::move(found);
    endResetModel();
  }

  int Page(int row) const {
    return row >= 0 && row < static_cast<int>(found_.size()) ? found_[static_cast<std::size_t>(row)] : -1;
  }
  const SearchQuery& Query() const { return query_; }
  const PageIndex& Pages() const { return pages_; }

  // "大分類 › 中分類" of page p, "—" for a position that names no category.
  QString Categories(int p) const {
    return Name(majors_, pages_.MajorPosition(p)) + QStringLiteral(" › ") + Name(middles_, pages_.MiddlePosition(p));
  }

  int rowCount(const QModelIndex& parent = QModelIndex()) const override {
    return parent.isValid() ? 0 : static_cast<int>(found_.size());
  }
  QVariant data(const QModelIndex& index, int role) const override {
    const int p = Page(index.row());
    if (p < 0 || (role != Qt::DisplayRole && role != Qt::AccessibleTextRole)) return {};
    return cp932::ToQString(pages_.Title(p)) + QStringLiteral("　") + Categories(p);
  }

 private:
  static QString Name(const StringList& list, std::optional<std::int32_t> position) {
    if (!position || *position < 0 || *position >= list.Count()) return QStringLiteral("—");
    return cp932::ToQString(list.Item(*position));
  }

  const PageIndex& pages_;
  const StringList& majors_;
  const StringList& middles_;
  SearchQuery query_;
  std::vector<int> found_;
};

namespace {

// Draws a row: the title in pieces, matched ones bold on a light marker,
// then the categories in grey.
class ResultDelegate : public QStyledItemDelegate {
 public:
  ResultDelegate(const SearchResultModel& model, QObject* parent) : QStyledItemDelegate(parent), model_(model) {}

  void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    const int p = model_.Page(index.row());
    if (p < 0) return;
    painter->save();
    const bool selected = (option.state & QStyle::State_Selected) != 0;
    const QPalette& palette = option.palette;
    if (selected) painter->fillRect(option.rect, palette.highlight());
    const QColor text = selected ? palette.highlightedText().color() : palette.text().color();
    QColor dim = text;
    dim.setAlpha(150);

    QFont normal = option.font;
    QFont bold = normal;
    bold.setBold(true);
    QRect area = option.rect.adjusted(4, 0, -4, 0);
    int x = area.left();
    const std::string_view title = model_.Pages().Title(p);
    std::size_t at = 0;
    auto draw = [&](std::string_view piece, bool matched) {
      if (piece.empty() || x >= area.right()) return;
      const QString shown = cp932::ToQString(piece);
      painter->setFont(matched ? bold : normal);
      const int width = QFontMetrics(painter->font()).horizontalAdvance(shown);
      const QRect box(x, area.top(), width, area.height());
      if (matched && !selected) painter->fillRect(box, QColor(255, 236, 140));
      painter->setPen(text);
      painter->drawText(QRect(x, area.top(), area.right() - x, area.height()), Qt::AlignLeft | Qt::AlignVCenter, shown);
      x += width;
    };
    for (const ByteSpan& span : MatchedSpans(title, model_.Query())) {
      draw(title.substr(at, span.begin - at), false);
      draw(title.substr(span.begin, span.end - span.begin), true);
      at = span.end;
    }
    draw(title.substr(at), false);
    x += 12;
    if (x < area.right()) {
      painter->setFont(normal);
      painter->setPen(dim);
      painter->drawText(QRect(x, area.top(), area.right() - x, area.height()), Qt::AlignLeft | Qt::AlignVCenter,
                        model_.Categories(p));
    }
    painter->restore();
  }

  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex&) const override {
    return {100, QFontMetrics(option.font).height() + 4};
  }

 private:
  const SearchResultModel& model_;
};

QString Grouped(std::size_t n) {
  QString digits = QString::number(n);
  for (qsizetype i = digits.size() - 3; i > 0; i -= 3) digits.insert(i, QLatin1Char(','));
  return digits;
}

}  // namespace

SearchDropDown::SearchDropDown(const PageIndex& pages, const StringList& majors, const StringList& middles,
                               QWidget* parent)
    : QFrame(parent),
      model_(new SearchResultModel(pages, majors, middles, this)),
      list_(new QListView(this)),
      count_(new QLabel(this)) {
  setFrameShape(QFrame::Box);
  setFocusPolicy(Qt::NoFocus);
  // The window around it is green; the drop-down is a list's white.
  const QPalette system = QGuiApplication::palette();
  QPalette own = palette();
  own.setColor(QPalette::Window, system.color(QPalette::Base));
  own.setColor(QPalette::WindowText, system.color(QPalette::Text));
  own.setColor(QPalette::Base, system.color(QPalette::Base));
  own.setColor(QPalette::Text, system.color(QPalette::Text));
  setPalette(own);
  setAutoFillBackground(true);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(1, 1, 1, 1);
  layout->setSpacing(0);
  count_->setContentsMargins(4, 1, 4, 1);
  count_->setFocusPolicy(Qt::NoFocus);
  layout->addWidget(count_);
  layout->addWidget(list_);
  list_->setModel(model_);
  list_->setItemDelegate(new ResultDelegate(*model_, list_));
  list_->setFocusPolicy(Qt::NoFocus);
  list_->setUniformItemSizes(true);
  list_->setSelectionMode(QAbstractItemView::SingleSelection);
  list_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  list_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  list_->setFrameShape(QFrame::NoFrame);
  list_->setObjectName(QStringLiteral("SearchResults"));
  list_->setAccessibleName(QStringLiteral("検索結果"));
  connect(list_, &QListView::clicked, this, [this](const QModelIndex& index) {
    const int page = model_->Page(index.row());
    if (page >= 0) emit PageClicked(page);
  });
  hide();
}

SearchDropDown::~SearchDropDown() = default;

QString SearchDropDown::CountText(std::size_t matches) {
  return matches == 0 ? QStringLiteral("見つかりません") : Grouped(matches) + QStringLiteral(" 件");
}

void SearchDropDown::ShowResults(const SearchQuery& query, std::vector<int> found, QPoint topLeft, int maxHeight) {
  const std::size_t matches = found.size();
  model_->Reset(query, std::move(found));
  count_->setText(CountText(matches));
  // Every key repaints, even when the count reads as before.
  count_->update();
  list_->setAccessibleDescription(count_->text());
  list_->setVisible(matches > 0);
  if (matches > 0) list_->setCurrentIndex(model_->index(0));

  const int rowHeight = list_->sizeHintForRow(0) > 0 ? list_->sizeHintForRow(0) : fontMetrics().height() + 4;
  count_->setFixedHeight(count_->sizeHint().height());
  const int chrome = count_->height() + 2 * frameWidth() + 2;
  const int rowsRoom = std::max(rowHeight, maxHeight - chrome);
  if (matches > 0) list_->setFixedHeight(std::min(static_cast<int>(matches) * rowHeight, rowsRoom));
  setGeometry(topLeft.x(), topLeft.y(), 480, chrome + (matches > 0 ? list_->height() : 0));
  raise();
  show();
}

void SearchDropDown::Close() {
  hide();
  model_->Reset({}, {});
}

int SearchDropDown::CurrentPage() const { return isVisible() ? model_->Page(list_->currentIndex().row()) : -1; }

void SearchDropDown::MoveHighlight(int rows) {
  const int count = model_->rowCount();
  if (count == 0) return;
  const int row = std::clamp(list_->currentIndex().row() + rows, 0, count - 1);
  list_->setCurrentIndex(model_->index(row));
  list_->scrollTo(model_->index(row));
}

int SearchDropDown::RowsPerPage() const {
  const int rowHeight = std::max(1, list_->sizeHintForRow(0));
  return std::max(1, list_->viewport()->height() / rowHeight);
}

}  // namespace tavren
