// The help window and the F1 key.
#include "app/help_viewer.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QRegularExpression>
#include <QShortcut>
#include <QTextBrowser>
#include <QTextDocumentFragment>
#include <QUrl>
#include <QVBoxLayout>
#include <QWidget>
#include <algorithm>

#include "storage/program_folder.h"

namespace zelk {

HelpViewer::HelpViewer(QString folder, QObject* parent)
    : QObject(parent), folder_(std::move(folder)) {}

HelpViewer::~HelpViewer() {
  if (window_) delete window_.data();
}

QString HelpViewer::DefaultFolder() {
  return QString::fromStdString(ProgramFolder::ShippedDataFolder()) + "/help";
}

bool HelpViewer::HasTopic(int context) const {
  return context > 0 && QFileInfo(QDir(folder_).filePath(QString("%1.html").arg(context))).isFile();
}

QString HelpViewer::IndexFile() const {
  const QString index = QDir(folder_).filePath("index.html");
  return QFileInfo(index).isFile() ? index : QString();
}

QString HelpViewer::TopicFile(int context) const {
  if (HasTopic(context)) return QDir(folder_).filePath(QString("%1.html").arg(context));
  return IndexFile();
}

void HelpViewer::EnsureWindow() {
  if (window_) return;
  window_ = new QWidget(nullptr, Qt::Window);
  window_->setWindowTitle("ZELK Help");
  window_->setAttribute(Qt::WA_QuitOnClose, false);
  auto* layout = new QVBoxLayout(window_);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  auto* searchRow = new QHBoxLayout;
  searchRow->setContentsMargins(6, 6, 6, 6);
  searchRow->addWidget(new QLabel("Search:", window_));
  searchEdit_ = new QLineEdit(window_);
  searchEdit_->setObjectName("HelpSearchEdit");
  searchEdit_->setPlaceholderText("Words to find in the help topics");
  searchRow->addWidget(searchEdit_, 1);
  layout->addLayout(searchRow);
  results_ = new QListWidget(window_);
  results_->setObjectName("HelpResults");
  results_->setMaximumHeight(140);
  results_->hide();
  layout->addWidget(results_);
  connect(searchEdit_, &QLineEdit::returnPressed, this, [this] { RunSearch(searchEdit_->text()); });
  connect(results_, &QListWidget::itemClicked, this, [this](QListWidgetItem* item) {
    browser_->setSource(
        QUrl::fromLocalFile(QDir(folder_).filePath(item->data(Qt::UserRole).toString())));
  });
  connect(results_, &QListWidget::itemActivated, this, [this](QListWidgetItem* item) {
    browser_->setSource(
        QUrl::fromLocalFile(QDir(folder_).filePath(item->data(Qt::UserRole).toString())));
  });
  // Esc closes the help as it closes a dialog.
  auto* close = new QShortcut(QKeySequence(Qt::Key_Escape), window_);
  close->setContext(Qt::WindowShortcut);
  connect(close, &QShortcut::activated, window_, &QWidget::close);
  browser_ = new QTextBrowser(window_);
  browser_->setObjectName("HelpBrowser");
  browser_->setOpenExternalLinks(true);
  browser_->setSearchPaths({folder_});
  layout->addWidget(browser_);
  window_->resize(560, 480);
  connect(browser_, &QTextBrowser::sourceChanged, this, [this](const QUrl& url) {
    bool ok = false;
    const int n = QFileInfo(url.toLocalFile()).baseName().toInt(&ok);
    shownContext_ = ok ? n : 0;
    if (!browser_->documentTitle().isEmpty())
      window_->setWindowTitle("ZELK Help - " + browser_->documentTitle());
  });
}

void HelpViewer::Open(const QString& file, int context) {
  EnsureWindow();
  if (file.isEmpty()) {
    browser_->setPlainText("No help is installed.");
    shownContext_ = context;
  } else {
    browser_->setSource(QUrl::fromLocalFile(file));
  }
  // While a modal dialog runs, the help window must take input as well: it is then made
  // modal itself, on top of the dialog, until the user closes it.
  const bool overModal =
      QApplication::activeModalWidget() != nullptr && QApplication::activeModalWidget() != window_;
  const Qt::WindowModality wanted = overModal ? Qt::ApplicationModal : Qt::NonModal;
  if (window_->windowModality() != wanted) {
    window_->hide();
    window_->setWindowModality(wanted);
  }
  if (window_->isMinimized()) window_->showNormal();
  window_->show();
  window_->raise();
  window_->activateWindow();
}

void HelpViewer::ShowHelp(int context) {
  const QString file = TopicFile(context);
  Open(file, HasTopic(context) ? context : 0);
}

void HelpViewer::ShowIndex() {
  Open(IndexFile(), 0);
}

void HelpViewer::ShowSearch() {
  Open(IndexFile(), 0);
  searchEdit_->setFocus();
  searchEdit_->selectAll();
}

QList<HelpMatch> HelpViewer::Search(const QString& words) const {
  QList<HelpMatch> matches;
  const QStringList wanted = words.toLower().split(QRegularExpression("\\s+"), Qt::SkipEmptyParts);
  if (wanted.isEmpty()) return matches;
  static const QRegularExpression titleRx("<title>([^<]*)</title>",
                                          QRegularExpression::CaseInsensitiveOption);
  const QDir dir(folder_);
  for (const QString& name : dir.entryList({"*.html"}, QDir::Files, QDir::Name)) {
    if (name == "index.html") continue;
    QFile f(dir.filePath(name));
    if (!f.open(QIODevice::ReadOnly)) continue;
    const QString html = QString::fromUtf8(f.readAll());
    const QString title = titleRx.match(html).captured(1).trimmed();
    const QString text =
        (title + "\n" + QTextDocumentFragment::fromHtml(html).toPlainText()).toLower();
    HelpMatch m{name, title.isEmpty() ? name : title, 0};
    bool all = true;
    for (const QString& w : wanted) {
      const int n = static_cast<int>(text.count(w));
      if (n == 0) {
        all = false;
        break;
      }
      m.hits += n;
    }
    if (all) matches.push_back(m);
  }
  std::stable_sort(matches.begin(), matches.end(), [](const HelpMatch& a, const HelpMatch& b) {
    return a.hits != b.hits ? a.hits > b.hits : a.title < b.title;
  });
  return matches;
}

void HelpViewer::RunSearch(const QString& words) {
  EnsureWindow();
  if (searchEdit_->text() != words) searchEdit_->setText(words);
  results_->clear();
  const QList<HelpMatch> matches = Search(words);
  for (const HelpMatch& m : matches) {
    auto* item = new QListWidgetItem(m.title, results_);
    item->setData(Qt::UserRole, m.file);
  }
  if (matches.isEmpty() && !words.trimmed().isEmpty()) {
    auto* item = new QListWidgetItem("No topic contains these words.", results_);
    item->setFlags(Qt::NoItemFlags);
  }
  results_->setVisible(!words.trimmed().isEmpty());
}

QLineEdit* HelpViewer::SearchEdit() const {
  return window_ ? searchEdit_ : nullptr;
}
QListWidget* HelpViewer::Results() const {
  return window_ ? results_ : nullptr;
}

QWidget* HelpViewer::Window() const {
  return window_;
}
QTextBrowser* HelpViewer::Browser() const {
  return window_ ? browser_ : nullptr;
}

void HelpViewer::SetContext(QWidget* widget, int context) {
  if (widget) widget->setProperty(kHelpContextProperty, context);
}

int HelpViewer::ContextOf(const QWidget* widget) {
  for (const QWidget* w = widget; w; w = w->parentWidget()) {
    const QVariant v = w->property(kHelpContextProperty);
    if (v.isValid() && v.toInt() > 0) return v.toInt();
  }
  return 0;
}

int HelpViewer::CurrentContext() {
  QWidget* w = QApplication::focusWidget();
  if (!w) w = QApplication::activeModalWidget();
  if (!w) w = QApplication::activeWindow();
  return ContextOf(w);
}

void HelpViewer::InstallF1() {
  qApp->installEventFilter(this);
}

bool HelpViewer::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->key() == Qt::Key_F1 &&
      watched->isWidgetType()) {
    // The help window's own F1 would only reopen itself.
    auto* w = static_cast<QWidget*>(watched);
    if (window_ && w->window() == window_) return false;
    // An open menu has the keyboard without the focus: its highlighted item decides.
    const bool popup = w->window()->windowType() == Qt::Popup;
    ShowHelp(popup && ContextOf(w) > 0 ? ContextOf(w) : CurrentContext());
    return true;
  }
  return QObject::eventFilter(watched, event);
}

}  // namespace zelk
