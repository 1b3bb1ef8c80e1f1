#pragma once

#include <QDialog>

struct AppContext;
class TitlePanel;

// The options window: language, internet and table options, and the version check.
class TFSoftOptions : public QDialog
{
    Q_OBJECT
public:
    explicit TFSoftOptions(AppContext &context, QWidget *parent = nullptr);

    void Set_Lang();

    // Asks the maker's web server whether a newer configurator exists.
    bool Check_Version();

private:
    AppContext &m_context;
    TitlePanel *m_title;
};
