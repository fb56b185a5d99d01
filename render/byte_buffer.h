#pragma once
// A growable run of bytes built by appending, with the appends inline: the
// translator writes a few short pieces per element, and the call and checks of a
// general string append cost more than the copying.
#include <QByteArray>
#include <QByteArrayView>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>

namespace zv {

class ByteBuffer {
public:
    ByteBuffer() = default;
    ByteBuffer(const ByteBuffer&) = delete;
    ByteBuffer& operator=(const ByteBuffer&) = delete;

    size_t size() const { return m_size; }
    bool empty() const { return m_size == 0; }
    const char* data() const { return m_data.get(); }
    std::string_view view() const { return {m_data.get(), m_size}; }
    QByteArray toByteArray() const { return QByteArray(m_data.get(), qsizetype(m_size)); }

    void clear() { m_size = 0; }
    void reserve(size_t capacity)
    {
        if (capacity > m_capacity)
            regrow(capacity);
    }

    void append(const char* bytes, size_t n)
    {
        if (m_size + n > m_capacity)
            regrow(m_size + n);
        if (n)
            std::memcpy(m_data.get() + m_size, bytes, n);
        m_size += n;
    }
    // Makes room for n more bytes and answers where they go; they count as
    // written, so the caller fills all n.
    char* extend(size_t n)
    {
        if (m_size + n > m_capacity)
            regrow(m_size + n);
        char* at = m_data.get() + m_size;
        m_size += n;
        return at;
    }
    void append(char c)
    {
        if (m_size + 1 > m_capacity)
            regrow(m_size + 1);
        m_data[m_size++] = c;
    }
    void append(std::string_view s) { append(s.data(), s.size()); }
    void append(QByteArrayView s) { append(s.data(), size_t(s.size())); }
    void append(const std::string& s) { append(s.data(), s.size()); }
    void append(const QByteArray& s) { append(s.constData(), size_t(s.size())); }
    void append(const ByteBuffer& s) { append(s.data(), s.size()); }

    ByteBuffer& operator+=(char c)
    {
        append(c);
        return *this;
    }
    template <typename T>
    ByteBuffer& operator+=(const T& s)
    {
        append(s);
        return *this;
    }
    // String literals: their length is known without a search.
    template <size_t N>
    ByteBuffer& operator+=(const char (&literal)[N])
    {
        append(literal, N - 1);
        return *this;
    }

private:
    void regrow(size_t needed)
    {
        size_t capacity = m_capacity ? m_capacity : 256;
        while (capacity < needed)
            capacity *= 2;
        std::unique_ptr<char[]> grown(new char[capacity]);
        if (m_size)
            std::memcpy(grown.get(), m_data.get(), m_size);
        m_data = std::move(grown);
        m_capacity = capacity;
    }

    std::unique_ptr<char[]> m_data;
    size_t m_size = 0;
    size_t m_capacity = 0;
};

} // namespace zv
