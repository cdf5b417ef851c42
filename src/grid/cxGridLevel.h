#pragma once

#include <string>
#include <utility>

class TcxGridDBTableView;

// A level of the grid: which view it shows. The drug list has one level and no details.
class TcxGridLevel
{
public:
    explicit TcxGridLevel(std::string name) : m_name(std::move(name)) {}

    const std::string &Name() const { return m_name; }
    TcxGridDBTableView *GridView() const { return m_gridView; }
    void SetGridView(TcxGridDBTableView *view) { m_gridView = view; }

private:
    std::string m_name;
    TcxGridDBTableView *m_gridView = nullptr;
};
