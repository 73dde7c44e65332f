// Fakes of the services only the settings dialog uses: a font of fixed
// cell widths, the choosers. Each records what it was
// asked.
#pragma once

#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace nuvra::test {

// Every character is 7 pixels wide and 13 high; drawing fills each
// character's cell (one pixel in from its edges) with the colour.
class FakeFont final : public platform::Font {
public:
    platform::TextExtent Measure(std::string_view text) override
    {
        std::int32_t characters = 0;
        for (char c : text)
            characters += (static_cast<unsigned char>(c) & 0xC0) != 0x80 ? 1 : 0;
        return {characters * 7, 13};
    }
    void Draw(platform::Canvas& canvas, std::string_view text, std::int32_t x, std::int32_t y, std::uint32_t colour,
              bool) override
    {
        const std::int32_t width = Measure(text).width;
        for (std::int32_t row = y + 1; row < y + 12; ++row)
            for (std::int32_t column = x + 1; column < x + width - 1; ++column)
                if (row >= 0 && column >= 0 && row < canvas.height && column < canvas.width)
                    canvas.pixels[static_cast<std::size_t>(row) * static_cast<std::size_t>(canvas.width) +
                                  static_cast<std::size_t>(column)] = colour;
    }
};

class FakeFontService final : public platform::FontService {
public:
    std::unique_ptr<platform::Font> OpenFont(std::string_view family, std::int32_t pixel_size) override
    {
        families.emplace_back(family);
        sizes.push_back(pixel_size);
        if (missing)
            return nullptr;
        return std::make_unique<FakeFont>();
    }
    bool missing = false;  // no font of any family
    std::vector<std::string> families;
    std::vector<std::int32_t> sizes;
};

class FakeShell final : public platform::Shell {
public:
    struct FileRequest {
        std::string title, description, patterns, folder;
    };
    platform::Choice BrowseForFolder(std::string_view title) override
    {
        folder_titles.emplace_back(title);
        return Next();
    }
    platform::Choice GetOpenFileName(std::string_view title, std::string_view description, std::string_view patterns,
                                     std::string_view folder) override
    {
        file_requests.push_back({std::string(title), std::string(description), std::string(patterns), std::string(folder)});
        return Next();
    }
    std::int32_t OpenUrl(std::string_view url) override
    {
        urls.emplace_back(url);
        return 42;
    }

    std::deque<platform::Choice> choices;  // answered in turn, then Cancelled
    std::vector<std::string> folder_titles;
    std::vector<FileRequest> file_requests;
    std::vector<std::string> urls;

private:
    platform::Choice Next()
    {
        if (choices.empty())
            return {};
        platform::Choice next = choices.front();
        choices.pop_front();
        return next;
    }
};

}  // namespace nuvra::test
