#pragma once

class QDialog;

// Shows a window modally and returns its result (QDialog::Accepted or Rejected). Tests
// replace it with a fake that drives the window without blocking.
class ModalRunner
{
public:
    virtual ~ModalRunner() = default;
    virtual int run(QDialog &dialog) = 0;
};
