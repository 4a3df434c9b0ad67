// Velmora: the page view, which takes pages and images from the mime-source store.
// Copyright the Velmora developers; see vxlicense.html for the terms.
#pragma once

#include <QTextBrowser>

// A text browser whose pages, style sheets and images all come from the
// default mime-source factory. Every page and image of the set is compiled
// into the program, so the view never reads the file system: a name the
// store lacks shows as an empty page or an invisible image.
class PageBrowser : public QTextBrowser
{
    Q_OBJECT

public:
    explicit PageBrowser(QWidget *parent = nullptr);

    QVariant loadResource(int type, const QUrl &name) override;
};
