#include "app/help_viewer.h"

#include "canvas/canvas_style.h"  // DataFolder

#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTextDocument>
#include <QVBoxLayout>

#include "app/links.h"
#include "app/settings_store.h"

namespace plumavo {

QString HelpTopicPage(int context) {
  switch (context) {
    case hcContents: return "index.html";
    case hcTutorial: return "tutorial.html";
    case hcSupport: return "support.html";
    default: return {};
  }
}

QString FillHelpPlaceholders(QString html) {
  return html.replace("%WEBSITE%", links::kWebSite)
      .replace("%DOWNLOAD%", links::kDownloadPage)
      .replace("%SUPPORT_MAIL%", links::kSupportMail);
}

QVariant HelpBrowser::loadResource(int type, const QUrl& name) {
  if (type == QTextDocument::HtmlResource && name.isLocalFile()) {
    QFile f(name.toLocalFile());
    if (!f.open(QIODevice::ReadOnly)) return {};
    return FillHelpPlaceholders(QString::fromUtf8(f.readAll()));
  }
  return QTextBrowser::loadResource(type, name);
}

QString HelpViewer::DefaultHelpFolder() { return QString::fromStdString(DataFolder()) + "help"; }

HelpViewer::HelpViewer(QWidget* parent) : QWidget(parent, Qt::Window), HelpFolder(DefaultHelpFolder()) {
  setWindowTitle(QString(kApplicationTitle) + " Help");
  resize(640, 560);
  OpenUrl = [](const QUrl& url) { QDesktopServices::openUrl(url); };
  Browser = new HelpBrowser(this);
  Browser->setOpenLinks(false);
  Browser->setOpenExternalLinks(false);
  connect(Browser, &QTextBrowser::anchorClicked, this, [this](const QUrl& url) { AnchorClicked(url); });
  auto* col = new QVBoxLayout(this);
  col->setContentsMargins(0, 0, 0, 0);
  col->addWidget(Browser);
}

bool HelpViewer::ShowTopic(int context) {
  const QString page = HelpTopicPage(context);
  if (page.isEmpty()) return false;
  const QString path = QDir(HelpFolder).filePath(page);
  if (!QFileInfo::exists(path)) return false;
  Browser->setSource(QUrl::fromLocalFile(path));
  show();
  raise();
  activateWindow();
  return true;
}

QString HelpViewer::CurrentPage() const {
  const QUrl source = Browser->source();
  if (!source.isLocalFile()) return {};
  return QDir(HelpFolder).relativeFilePath(source.toLocalFile());
}

void HelpViewer::AnchorClicked(const QUrl& url) {
  const QUrl resolved = Browser->source().resolved(url);
  if (resolved.isLocalFile()) {
    // A page of the help itself (or an anchor inside one).
    Browser->setSource(resolved);
    return;
  }
  if (OpenUrl) OpenUrl(resolved);
}

}  // namespace plumavo
