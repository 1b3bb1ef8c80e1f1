#pragma once

#include <QString>
#include <stdexcept>

// Errors that an operation does not handle itself. Each carries a readable text (what, which
// file, why); the windows show it in the general error report, the command-line tool on stderr.
class BrivantError : public std::runtime_error
{
public:
    explicit BrivantError(const QString &text)
        : std::runtime_error(text.toStdString()), m_text(text)
    {
    }
    QString text() const { return m_text; }

private:
    QString m_text;
};

// A file could not be read, created or written.
class FileError : public BrivantError
{
public:
    using BrivantError::BrivantError;
};

// An XML file is not well-formed or lacks an element the reader cannot do without.
class XmlError : public BrivantError
{
public:
    using BrivantError::BrivantError;
};

// An XML file beyond what the program reads: too large, nested too deep, an element with too
// many attributes, or a document type declaration. The command-line tool answers it with exit 2.
class XmlLimitError : public XmlError
{
public:
    using XmlError::XmlError;
};

// A value that a file cannot carry or a device cannot hold (refused before anything is written).
class ValueError : public BrivantError
{
public:
    using BrivantError::BrivantError;
};
