#pragma once

#include <algorithm>
#include <cstddef>
#include <utility>
#include <vector>

// A sequence split into chunks of a few hundred elements. A table's order has to take 100,000 rows in one
// listing refresh, with or without a sort index: appending is O(1), inserting or erasing in the middle
// costs one chunk plus the chunk count instead of the whole sequence, and walking it position by
// position is O(1) because the chunk last looked at is remembered.
template <class T> class ChunkedList {
public:
    static constexpr std::ptrdiff_t chunkSize = 512;

    std::ptrdiff_t size() const { return m_size; }
    bool empty() const { return m_size == 0; }

    void clear() {
        m_chunks.clear();
        m_size = 0;
        resetCursor();
    }

    // Replaces the content with `items`, in their order.
    void assign(std::vector<T> items) {
        clear();
        for (auto& item : items)
            push_back(std::move(item));
    }

    void push_back(T item) {
        if (m_chunks.empty() || std::ptrdiff_t(m_chunks.back().size()) >= chunkSize) {
            m_chunks.emplace_back();
            m_chunks.back().reserve(chunkSize);
        }
        m_chunks.back().push_back(std::move(item));
        ++m_size;
    }

    T& at(std::ptrdiff_t pos) {
        locate(pos);
        return m_chunks[m_cursorChunk][pos - m_cursorStart];
    }
    const T& at(std::ptrdiff_t pos) const {
        locate(pos);
        return m_chunks[m_cursorChunk][pos - m_cursorStart];
    }

    void insert(std::ptrdiff_t pos, T item) {
        if (pos >= m_size) {
            push_back(std::move(item));
            return;
        }
        locate(pos);
        auto& chunk = m_chunks[m_cursorChunk];
        chunk.insert(chunk.begin() + (pos - m_cursorStart), std::move(item));
        ++m_size;
        if (std::ptrdiff_t(chunk.size()) > 2 * chunkSize) {
            std::vector<T> tail(std::make_move_iterator(chunk.begin() + chunkSize),
                                std::make_move_iterator(chunk.end()));
            chunk.erase(chunk.begin() + chunkSize, chunk.end());
            m_chunks.insert(m_chunks.begin() + m_cursorChunk + 1, std::move(tail));
        }
    }

    T take(std::ptrdiff_t pos) {
        locate(pos);
        auto& chunk = m_chunks[m_cursorChunk];
        T item = std::move(chunk[pos - m_cursorStart]);
        chunk.erase(chunk.begin() + (pos - m_cursorStart));
        --m_size;
        if (chunk.empty()) {
            m_chunks.erase(m_chunks.begin() + m_cursorChunk);
            resetCursor();
        }
        return item;
    }

    // First position whose element does not satisfy `pred`, for a `pred` that holds for a leading run of
    // the sequence and fails for the rest (as std::partition_point). O(log n) calls of `pred`.
    template <class Pred> std::ptrdiff_t partitionPoint(Pred pred) const {
        const auto chunk = std::partition_point(m_chunks.begin(), m_chunks.end(),
                                                [&](const std::vector<T>& c) { return pred(c.back()); });
        std::ptrdiff_t start = 0;
        for (auto it = m_chunks.begin(); it != chunk; ++it)
            start += std::ptrdiff_t(it->size());
        if (chunk == m_chunks.end()) return start;
        return start + (std::partition_point(chunk->begin(), chunk->end(), pred) - chunk->begin());
    }

    // Calls `f` for every element in order.
    template <class F> void forEach(F f) const {
        for (const auto& chunk : m_chunks)
            for (const auto& item : chunk)
                f(item);
    }

private:
    void resetCursor() {
        m_cursorChunk = 0;
        m_cursorStart = 0;
    }

    // Moves the remembered chunk to the one holding `pos`, which must be in range.
    void locate(std::ptrdiff_t pos) const {
        while (pos < m_cursorStart) {
            --m_cursorChunk;
            m_cursorStart -= std::ptrdiff_t(m_chunks[m_cursorChunk].size());
        }
        while (pos >= m_cursorStart + std::ptrdiff_t(m_chunks[m_cursorChunk].size())) {
            m_cursorStart += std::ptrdiff_t(m_chunks[m_cursorChunk].size());
            ++m_cursorChunk;
        }
    }

    std::vector<std::vector<T>> m_chunks;
    std::ptrdiff_t m_size = 0;
    mutable std::size_t m_cursorChunk = 0;
    mutable std::ptrdiff_t m_cursorStart = 0;
};
