// The help window and the F1 key.
#include "app/help_viewer.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QKeyEvent>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>
#include <QWidget>

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
    ShowHelp(CurrentContext());
    return true;
  }
  return QObject::eventFilter(watched, event);
}

}  // namespace zelk
