#pragma once

// The maze figures (tools/mazes) read as cells and walls, the way through a
// maze, and the pointer path a player would drag along it.

#include <filesystem>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

namespace mazeway {

struct Cell {
    int row = 0;
    int col = 0;
    friend bool operator==(const Cell&, const Cell&) = default;
};

// A grid of cells with the open connections between neighbours, as a
// figure draws it: '+' grid points, "---" and '|' walls, blanks openings.
struct Figure {
    int rows = 0;
    int cols = 0;
    std::vector<bool> openRight;   // rows x (cols + 1): between col - 1 and col; col 0 and cols are the outer walls
    std::vector<bool> openDown;    // (rows + 1) x cols: between row - 1 and row; row 0 and rows are the outer walls

    bool rightOpen(int row, int col) const { return openRight[static_cast<std::size_t>(row) * (cols + 1) + col + 1]; }
    bool leftOpen(int row, int col) const { return openRight[static_cast<std::size_t>(row) * (cols + 1) + col]; }
    bool downOpen(int row, int col) const { return openDown[static_cast<std::size_t>(row + 1) * cols + col]; }
    bool upOpen(int row, int col) const { return openDown[static_cast<std::size_t>(row) * cols + col]; }
    int openConnections() const;   // between two cells inside the grid
};

// Throws std::runtime_error with the line at fault for a malformed figure.
Figure parseFigure(std::string_view text);
Figure readFigure(const std::filesystem::path& file);

// The shortest way from one cell to another, both ends included; empty when there is none.
std::vector<Cell> shortestWay(const Figure& figure, Cell from, Cell to);

// Where a level's cells lie on the canvas (the maze sprite stands at (1, 1)).
struct Geometry {
    std::vector<double> columnCentres;   // canvas x of each column's middle
    std::vector<double> rowCentres;      // canvas y of each row's middle
};
Geometry level1Geometry();
Geometry level2Geometry();

struct Point {
    int x = 0;
    int y = 0;
    friend bool operator==(const Point&, const Point&) = default;
    friend std::ostream& operator<<(std::ostream& os, const Point& p) { return os << '(' << p.x << ", " << p.y << ')'; }
};

// Pointer positions, at most `step` pixels apart, that drag a player sprite
// (24 x 26, standing 10 pixels up and left of the pointer) from `start`
// through the middle of every cell of the way.
std::vector<Point> dragPath(Point start, const std::vector<Cell>& way, const Geometry& geometry, int step = 3);

} // namespace mazeway
