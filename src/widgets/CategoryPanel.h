#pragma once

#include <QWidget>

class QToolButton;

// One collapsible category of a category group: a header line with a chevron and the caption,
// and the category's fields below it. A click on the header collapses or expands it.
class CategoryPanel : public QWidget
{
    Q_OBJECT
public:
    explicit CategoryPanel(const QString &name, QWidget *parent = nullptr);

    void setCaption(const QString &caption);
    QString caption() const;

    // The widget that holds the category's fields.
    QWidget *content() const { return m_content; }
    QToolButton *header() const { return m_header; }

    void setCollapsed(bool collapsed);
    bool isCollapsed() const { return m_collapsed; }

private:
    QToolButton *m_header;
    QWidget *m_content;
    bool m_collapsed = false;
};
