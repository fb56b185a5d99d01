#pragma once
// Makes a file or folder unwritable for the length of a test, even for root: the
// file system's immutable flag where it is supported (root may set it), else, for
// an ordinary user, the write permission bits. Restored on release or destruction.
#include <QFile>
#include <QString>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

class ImmutableGuard {
public:
    explicit ImmutableGuard(const QString& path)
        : m_path(QFile::encodeName(path))
    {
        const int fd = ::open(m_path.constData(), O_RDONLY | O_NONBLOCK);
        if (fd >= 0) {
            int flags = 0;
            if (::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0) {
                flags |= FS_IMMUTABLE_FL;
                if (::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0)
                    m_mode = Mode::Immutable;
            }
            if (m_mode == Mode::None)
                m_reason = QString::fromLocal8Bit(std::strerror(errno));
            ::close(fd);
        }
        struct stat st;
        if (m_mode == Mode::None && ::getuid() != 0 && ::stat(m_path.constData(), &st) == 0
            && ::chmod(m_path.constData(), st.st_mode & ~(S_IWUSR | S_IWGRP | S_IWOTH)) == 0) {
            m_savedMode = st.st_mode;
            m_mode = Mode::Permissions;
        }
    }
    ~ImmutableGuard() { release(); }
    ImmutableGuard(const ImmutableGuard&) = delete;
    ImmutableGuard& operator=(const ImmutableGuard&) = delete;

    bool active() const { return m_mode != Mode::None; }
    QString reason() const { return m_reason; }

    void release()
    {
        if (m_mode == Mode::Immutable) {
            const int fd = ::open(m_path.constData(), O_RDONLY | O_NONBLOCK);
            int flags = 0;
            if (fd >= 0 && ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0) {
                flags &= ~FS_IMMUTABLE_FL;
                ::ioctl(fd, FS_IOC_SETFLAGS, &flags);
            }
            if (fd >= 0)
                ::close(fd);
        } else if (m_mode == Mode::Permissions) {
            ::chmod(m_path.constData(), m_savedMode);
        }
        m_mode = Mode::None;
    }

private:
    enum class Mode { None, Immutable, Permissions };
    QByteArray m_path;
    Mode m_mode = Mode::None;
    mode_t m_savedMode = 0;
    QString m_reason;
};
