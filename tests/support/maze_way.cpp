#include "tests/support/maze_way.h"

#include <algorithm>
#include <cmath>
#include <deque>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace mazeway {

int Figure::openConnections() const
{
    int n = 0;
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < cols; ++c)
            n += (c + 1 < cols && rightOpen(r, c)) + (r + 1 < rows && downOpen(r, c));
    return n;
}

Figure parseFigure(std::string_view text)
{
    std::vector<std::string> lines;
    std::istringstream in{std::string{text}};
    for (std::string line; std::getline(in, line);)
        if (!line.empty())
            lines.push_back(line);
    if (lines.size() < 3 || lines.size() % 2 == 0)
        throw std::runtime_error("a maze figure has an odd number of lines, at least three");
    const std::size_t width = lines.front().size();
    if (width < 5 || (width - 1) % 4 != 0)
        throw std::runtime_error("the first line is not a row of grid points: " + lines.front());

    Figure f;
    f.rows = static_cast<int>(lines.size() / 2);
    f.cols = static_cast<int>((width - 1) / 4);
    f.openRight.assign(static_cast<std::size_t>(f.rows) * (f.cols + 1), false);
    f.openDown.assign(static_cast<std::size_t>(f.rows + 1) * f.cols, false);
    const auto at = [&](std::size_t line, std::size_t column) {
        const std::string& l = lines[line];
        return column < l.size() ? l[column] : ' ';   // trailing blanks may be cut off
    };
    for (std::size_t line = 0; line < lines.size(); ++line) {
        for (int c = 0; c <= f.cols; ++c) {
            const char ch = at(line, static_cast<std::size_t>(c) * 4);
            const char expected = line % 2 == 0 ? '+' : '|';
            if (ch != expected && ch != ' ')
                throw std::runtime_error("unexpected '" + std::string(1, ch) + "' in line: " + lines[line]);
            if (line % 2 == 0 && ch != '+')
                throw std::runtime_error("a grid point is missing in line: " + lines[line]);
            if (line % 2 == 1)
                f.openRight[(line / 2) * (f.cols + 1) + c] = ch == ' ';
        }
        if (line % 2 == 0)
            for (int c = 0; c < f.cols; ++c) {
                const std::string segment{at(line, c * 4 + 1), at(line, c * 4 + 2), at(line, c * 4 + 3)};
                if (segment != "---" && segment != "   ")
                    throw std::runtime_error("a wall is neither \"---\" nor blank in line: " + lines[line]);
                f.openDown[(line / 2) * f.cols + c] = segment == "   ";
            }
    }
    return f;
}

Figure readFigure(const std::filesystem::path& file)
{
    std::ifstream in(file);
    if (!in)
        throw std::runtime_error("cannot read " + file.string());
    std::ostringstream text;
    text << in.rdbuf();
    return parseFigure(text.str());
}

std::vector<Cell> shortestWay(const Figure& f, Cell from, Cell to)
{
    std::vector<int> previous(static_cast<std::size_t>(f.rows) * f.cols, -1);
    const auto index = [&](Cell c) { return c.row * f.cols + c.col; };
    std::deque<Cell> queue{from};
    previous[index(from)] = index(from);
    while (!queue.empty()) {
        const Cell c = queue.front();
        queue.pop_front();
        const Cell next[] = {{c.row, c.col + 1}, {c.row, c.col - 1}, {c.row + 1, c.col}, {c.row - 1, c.col}};
        const bool open[] = {c.col + 1 < f.cols && f.rightOpen(c.row, c.col), c.col > 0 && f.leftOpen(c.row, c.col),
                             c.row + 1 < f.rows && f.downOpen(c.row, c.col), c.row > 0 && f.upOpen(c.row, c.col)};
        for (int i = 0; i < 4; ++i)
            if (open[i] && previous[index(next[i])] < 0) {
                previous[index(next[i])] = index(c);
                queue.push_back(next[i]);
            }
    }
    if (previous[index(to)] < 0)
        return {};
    std::vector<Cell> way{to};
    while (!(way.back() == from)) {
        const int p = previous[index(way.back())];
        way.push_back({p / f.cols, p % f.cols});
    }
    std::reverse(way.begin(), way.end());
    return way;
}

Geometry level1Geometry()
{
    Geometry g;
    for (int k = 0; k < 10; ++k) {
        const double centre = 1 + 2.5 + 79.4 * (k + 0.5);
        g.columnCentres.push_back(centre);
        g.rowCentres.push_back(centre);
    }
    return g;
}

Geometry level2Geometry()
{
    // The clear interiors of the cell columns and rows, in picture pixels.
    constexpr int columns[10][2] = {{34, 75},   {111, 151}, {187, 227}, {263, 303}, {339, 380},
                                    {416, 460}, {496, 536}, {572, 612}, {648, 688}, {724, 765}};
    constexpr int rows[10][2] = {{34, 75},   {110, 152}, {187, 228}, {263, 304}, {339, 380},
                                 {415, 460}, {495, 536}, {571, 613}, {647, 689}, {724, 765}};
    Geometry g;
    for (int k = 0; k < 10; ++k) {
        g.columnCentres.push_back(1 + (columns[k][0] + columns[k][1]) / 2.0);
        g.rowCentres.push_back(1 + (rows[k][0] + rows[k][1]) / 2.0);
    }
    return g;
}

std::vector<Point> dragPath(Point start, const std::vector<Cell>& way, const Geometry& geometry, int step)
{
    // The player's middle is 12 and 13 pixels into it, which puts it 2 left
    // and 3 above the pointer.
    std::vector<Point> path{start};
    for (const Cell& cell : way) {
        const Point target{static_cast<int>(std::lround(geometry.columnCentres[cell.col])) - 2,
                           static_cast<int>(std::lround(geometry.rowCentres[cell.row])) - 3};
        const Point from = path.back();
        const int distance = std::max(std::abs(target.x - from.x), std::abs(target.y - from.y));
        const int steps = std::max(1, (distance + step - 1) / step);
        for (int i = 1; i <= steps; ++i)
            path.push_back({from.x + (target.x - from.x) * i / steps, from.y + (target.y - from.y) * i / steps});
    }
    return path;
}

} // namespace mazeway
