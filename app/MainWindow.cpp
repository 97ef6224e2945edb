#include "app/MainWindow.h"

#include <QEvent>
#include <QGuiApplication>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QTreeWidget>
#include <algorithm>
#include <string>

#include "text/Gbk.h"

namespace app {

namespace {

// The window's outer size, frame, caption and menu bar included.
constexpr int kOuterWidth = 600;
constexpr int kOuterHeight = 432;

constexpr int kColumns = 4;
// Where a cell keeps the GBK text it was given.
constexpr int kGbkRole = Qt::UserRole + 1;

struct Column {
  const char* title;
  int width;
  Qt::Alignment alignment;
};

// The book list's columns. The last one keeps each book's page address out of sight.
const Column kColumnTable[kColumns] = {
    {"小说名称", 100, Qt::AlignLeft | Qt::AlignVCenter},
    {"更新时间", 80, Qt::AlignHCenter | Qt::AlignVCenter},
    {"书籍大小", 80, Qt::AlignHCenter | Qt::AlignVCenter},
    {"网页地址", 0, Qt::AlignLeft | Qt::AlignVCenter},
};

constexpr Qt::WindowFlags kWindowFlags = Qt::Window | Qt::CustomizeWindowHint |
                                         Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                                         Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint;

QString FromGbk(std::string_view gbk) {
  return QString::fromUtf8(text::GbkToUtf8(gbk));
}

text::Text ToGbk(const QString& s) {
  return text::Utf8ToGbk(s.toUtf8().toStdString());
}

QString FromUtf8(std::string_view utf8) {
  return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

// A window manager draws its frame and caption outside the widget, and the outer size must
// stay 600 × 432. The frame is only known once the window is on the screen, so this watches
// the window and, the first time a frame shows up, takes its extra size off the fixed size.
// Without a window manager the frame is empty and nothing changes.
class FrameFitter : public QObject {
 public:
  explicit FrameFitter(QWidget* window) : QObject(window), window_(window) {
    window->installEventFilter(this);
  }

  bool eventFilter(QObject* watched, QEvent* event) override {
    if (watched == window_ && !fitted_) {
      switch (event->type()) {
        case QEvent::Show:
        case QEvent::Move:
        case QEvent::Resize:
        case QEvent::WindowActivate:
          Fit();
          break;
        default:
          break;
      }
    }
    return QObject::eventFilter(watched, event);
  }

 private:
  void Fit() {
    if (!window_->isVisible()) return;
    const QSize extra = window_->frameGeometry().size() - window_->size();
    if (extra.width() <= 0 && extra.height() <= 0) return;
    fitted_ = true;
    window_->setFixedSize(kOuterWidth - std::max(0, extra.width()),
                          kOuterHeight - std::max(0, extra.height()));
  }

  QWidget* window_;
  bool fitted_ = false;
};

}  // namespace

MainWindow::MainWindow(WindowHandlers handlers, QWidget* parent)
    : QMainWindow(parent, kWindowFlags), handlers_(std::move(handlers)) {
  setWindowTitle(QStringLiteral("墨枢小说下载助手"));
  BuildMenus();
  BuildControls();
  setFixedSize(kOuterWidth, kOuterHeight);
  new FrameFitter(this);
}

MainWindow::~MainWindow() = default;

void MainWindow::BuildMenus() {
  QMenuBar* bar = menuBar();
  // The menu bar belongs inside the window, whatever the desktop does with menus.
  bar->setNativeMenuBar(false);
  QMenu* menu = nullptr;
  for (const browse::SubCategory& entry : browse::kSubCategories) {
    const QString group = FromUtf8(entry.group);
    if (menu == nullptr || menu->title() != group) {
      menu = bar->addMenu(group);
      menu->setObjectName(group);
    }
    const QString caption = FromUtf8(entry.item);
    QAction* action = menu->addAction(caption);
    action->setObjectName(caption);
    const browse::SubCategory* chosen = &entry;
    connect(action, &QAction::triggered, this, [this, chosen] {
      if (handlers_.subCategoryChosen) handlers_.subCategoryChosen(*chosen);
    });
  }
}

void MainWindow::BuildControls() {
  auto* client = new QWidget(this);
  client->setObjectName(QStringLiteral("client"));
  setCentralWidget(client);

  // Created in this order; places are within the client area, below the menu bar.
  标签1_ = new QLabel(QStringLiteral("双击下载"), client);
  标签1_->setObjectName(QStringLiteral("标签1"));
  标签1_->setGeometry(512, 32, 72, 16);
  标签1_->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  标签1_->setWordWrap(false);
  标签1_->setFrameStyle(QFrame::NoFrame);
  {
    QPalette palette = 标签1_->palette();
    palette.setColor(QPalette::WindowText, QColor(255, 0, 0));
    标签1_->setPalette(palette);
  }

  按钮1_ = new QPushButton(QStringLiteral("搜索"), client);
  按钮1_->setObjectName(QStringLiteral("按钮1"));
  按钮1_->setGeometry(409, 29, 72, 24);
  按钮1_->setEnabled(false);
  connect(按钮1_, &QPushButton::clicked, this, [this] {
    if (handlers_.search) handlers_.search();
  });

  编辑框搜索_ = new QLineEdit(QStringLiteral("暂时不能搜索"), client);
  编辑框搜索_->setObjectName(QStringLiteral("编辑框搜索"));
  编辑框搜索_->setGeometry(268, 29, 136, 24);
  编辑框搜索_->setEnabled(false);

  编辑框简介_ = new QPlainTextEdit(client);
  编辑框简介_->setObjectName(QStringLiteral("编辑框简介"));
  编辑框简介_->setGeometry(264, 56, 328, 320);
  编辑框简介_->setLineWrapMode(QPlainTextEdit::WidgetWidth);
  编辑框简介_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  编辑框简介_->setFrameStyle(QFrame::Box | QFrame::Plain);
  编辑框简介_->setLineWidth(1);
  编辑框简介_->setReadOnly(false);

  // No background of its own: the progress bar shows through around the text.
  透明下载_ = new QLabel(client);
  透明下载_->setObjectName(QStringLiteral("透明下载"));
  透明下载_->setGeometry(351, 8, 144, 16);
  透明下载_->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  透明下载_->setWordWrap(false);
  透明下载_->setAutoFillBackground(false);

  时钟1_ = new QTimer(client);
  时钟1_->setObjectName(QStringLiteral("时钟1"));
  时钟1_->setTimerType(Qt::PreciseTimer);
  connect(时钟1_, &QTimer::timeout, this, [this] {
    if (handlers_.timerTick) handlers_.timerTick();
  });

  进度条1_ = new QProgressBar(client);
  进度条1_->setObjectName(QStringLiteral("进度条1"));
  进度条1_->setGeometry(201, 8, 391, 16);
  进度条1_->setOrientation(Qt::Horizontal);
  进度条1_->setRange(0, 100);
  进度条1_->setValue(0);
  进度条1_->setTextVisible(false);
  // The percentage label lies over the middle of the bar and is drawn above it.
  透明下载_->raise();

  标签页数_ = new QLabel(client);
  标签页数_->setObjectName(QStringLiteral("标签页数"));
  标签页数_->setGeometry(79, 5, 40, 24);
  标签页数_->setAlignment(Qt::AlignCenter);
  标签页数_->setWordWrap(false);
  标签页数_->setFrameStyle(QFrame::Box | QFrame::Plain);
  标签页数_->setLineWidth(1);

  按钮下一页_ = new QPushButton(QStringLiteral("下一页"), client);
  按钮下一页_->setObjectName(QStringLiteral("按钮下一页"));
  按钮下一页_->setGeometry(123, 5, 72, 24);
  connect(按钮下一页_, &QPushButton::clicked, this, [this] {
    if (handlers_.nextPage) handlers_.nextPage();
  });

  超级列表框1_ = new QTreeWidget(client);
  超级列表框1_->setObjectName(QStringLiteral("超级列表框1"));
  超级列表框1_->setGeometry(2, 32, 262, 344);
  超级列表框1_->setFrameStyle(QFrame::Box | QFrame::Plain);
  超级列表框1_->setLineWidth(1);
  超级列表框1_->setRootIsDecorated(false);
  超级列表框1_->setItemsExpandable(false);
  超级列表框1_->setUniformRowHeights(true);
  超级列表框1_->setAllColumnsShowFocus(true);
  超级列表框1_->setSelectionBehavior(QAbstractItemView::SelectRows);
  超级列表框1_->setSelectionMode(QAbstractItemView::SingleSelection);
  超级列表框1_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  超级列表框1_->setSortingEnabled(false);
  超级列表框1_->setColumnCount(kColumns);
  QHeaderView* header = 超级列表框1_->header();
  超级列表框1_->setHeaderHidden(false);
  // The last column is 0 wide on purpose; stretching it would bring it into view.
  header->setStretchLastSection(false);
  header->setMinimumSectionSize(0);
  header->setSortIndicatorShown(false);
  QTreeWidgetItem* titles = 超级列表框1_->headerItem();
  for (int column = 0; column < kColumns; ++column) {
    titles->setText(column, QString::fromUtf8(kColumnTable[column].title));
    titles->setTextAlignment(column, kColumnTable[column].alignment);
    超级列表框1_->setColumnWidth(column, kColumnTable[column].width);
  }
  connect(超级列表框1_, &QTreeWidget::itemDoubleClicked, this, [this] {
    if (handlers_.bookDoubleClicked) handlers_.bookDoubleClicked();
  });

  按钮上一页_ = new QPushButton(QStringLiteral("上一页"), client);
  按钮上一页_->setObjectName(QStringLiteral("按钮上一页"));
  按钮上一页_->setGeometry(2, 5, 72, 24);
  connect(按钮上一页_, &QPushButton::clicked, this, [this] {
    if (handlers_.previousPage) handlers_.previousPage();
  });
}

void MainWindow::Load() {
  if (QScreen* screen = QGuiApplication::primaryScreen()) {
    const QRect area = screen->geometry();
    // Before the window exists on the screen a move places its outer top-left corner.
    move(area.x() + (area.width() - kOuterWidth) / 2,
         area.y() + (area.height() - kOuterHeight) / 2);
  }
  if (handlers_.created) handlers_.created();
  show();
}

void MainWindow::DeleteAllRows() {
  超级列表框1_->clear();
}

int MainWindow::InsertRow() {
  auto* item = new QTreeWidgetItem;
  item->setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled);
  for (int column = 0; column < kColumns; ++column) {
    item->setText(column, QString());
    item->setTextAlignment(column, kColumnTable[column].alignment);
  }
  超级列表框1_->addTopLevelItem(item);
  return 超级列表框1_->topLevelItemCount() - 1;
}

void MainWindow::SetCell(int row, int column, std::string_view text) {
  if (column < 0 || column >= kColumns || row < 0) return;
  QTreeWidgetItem* item = 超级列表框1_->topLevelItem(row);
  if (item == nullptr) return;
  item->setText(column, FromGbk(text));
  // The GBK bytes themselves are kept too, so reading the cell gives back exactly what was
  // written, also bytes that do not decode.
  item->setData(column, kGbkRole, QByteArray(text.data(), static_cast<qsizetype>(text.size())));
  item->setTextAlignment(column, kColumnTable[column].alignment);
}

text::Text MainWindow::Cell(int row, int column) const {
  if (column < 0 || column >= kColumns || row < 0) return {};
  const QTreeWidgetItem* item = 超级列表框1_->topLevelItem(row);
  if (item == nullptr) return {};
  const QByteArray gbk = item->data(column, kGbkRole).toByteArray();
  return text::Text(gbk.constData(), static_cast<std::size_t>(gbk.size()));
}

int MainWindow::SelectedRow() const {
  const QList<QTreeWidgetItem*> selected = 超级列表框1_->selectedItems();
  if (selected.isEmpty()) return -1;
  return 超级列表框1_->indexOfTopLevelItem(selected.front());
}

void MainWindow::SetPageLabel(std::string_view text) {
  标签页数_->setText(FromGbk(text));
  标签页数_->update();
}

void MainWindow::SetProgressText(std::string_view text) {
  透明下载_->setText(FromGbk(text));
  // The label has no background: what lies under it is drawn again with it.
  透明下载_->update();
  if (handlers_.progressTextShown) handlers_.progressTextShown(text);
}

text::Text MainWindow::SearchText() const {
  return ToGbk(编辑框搜索_->text());
}

void MainWindow::SetIntro(std::string_view text) {
  编辑框简介_->setPlainText(FromGbk(text));
}

void MainWindow::SetProgress(int position) {
  position = std::clamp(position, 0, 32767);
  进度条1_->setValue(std::clamp(position, 进度条1_->minimum(), 进度条1_->maximum()));
}

void MainWindow::SetTimerPeriod(int milliseconds) {
  milliseconds = std::max(milliseconds, 0);
  // The same period again leaves a running timer alone, so it keeps its rhythm.
  if (milliseconds == timerPeriod_) return;
  时钟1_->stop();
  timerPeriod_ = milliseconds;
  if (milliseconds > 0) 时钟1_->start(milliseconds);
}

int MainWindow::TimerPeriod() const {
  return timerPeriod_;
}

}  // namespace app
