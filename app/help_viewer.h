// The program's help: HTML pages in the help folder beside the program, shown
// in a window of their own. Links between pages stay in the window; web and
// mail links go to the desktop through OpenUrl.
#pragma once

#include <functional>

#include <QTextBrowser>
#include <QUrl>
#include <QWidget>

namespace plumavo {

// Help topics by context number, as the help commands ask for them.
enum THelpContext : int { hcContents = 0, hcTutorial = 1001, hcSupport = 1003 };
// The page of a topic ("index.html", "tutorial.html", "support.html"); empty
// for an unknown context.
QString HelpTopicPage(int context);
// The page text with the web site, download page and support mail put in.
QString FillHelpPlaceholders(QString html);

class HelpBrowser : public QTextBrowser {
  Q_OBJECT
 public:
  using QTextBrowser::QTextBrowser;
  QVariant loadResource(int type, const QUrl& name) override;
};

class HelpViewer : public QWidget {
  Q_OBJECT
 public:
  explicit HelpViewer(QWidget* parent = nullptr);

  // The folder of the pages: help/ beside the program unless replaced.
  QString HelpFolder;
  static QString DefaultHelpFolder();
  std::function<void(const QUrl&)> OpenUrl;

  // Shows the window with the topic's page; false (nothing shown) when the
  // page is missing.
  bool ShowTopic(int context);
  // The page on show, relative to the help folder ("tutorial.html").
  QString CurrentPage() const;

  HelpBrowser* Browser;

 private:
  void AnchorClicked(const QUrl& url);
};

}  // namespace plumavo
