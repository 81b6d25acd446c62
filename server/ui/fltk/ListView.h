// A report-style list: columns with headers and alignments, rows of texts with an optional picture.
#pragma once

#include <FL/Fl_Table_Row.H>
#include <functional>
#include <string>
#include <vector>

class Fl_Image;

class ListView : public Fl_Table_Row {
  public:
    enum class Alignment { Left, Right, Centre };

    ListView(int x, int y, int width, int height, bool showHeader);

    void addColumn(int position, const std::string& header, Alignment alignment, int width);
    // The small pictures that rows refer to by number; not owned.
    void setPictures(std::vector<Fl_Image*> images) { pictures = std::move(images); }

    // picture: a number into the small pictures, or -1 for none.
    void insertRow(int position, std::vector<std::string> texts, int picture);
    void setRow(int position, std::vector<std::string> texts, int picture);
    void removeRow(int position);
    void removeAllRows();
    int rowCount() const { return static_cast<int>(items.size()); }
    const std::vector<std::string>& rowTexts(int position) const { return items[position].texts; }

    // Selected rows in row order.
    std::vector<int> selectedRows();

    // Called after every mouse click in the list, once the selection has followed it.
    std::function<void()> onClick;

    int handle(int event) override;

  protected:
    void draw_cell(TableContext context, int row, int column, int x, int y, int width, int height) override;

  private:
    struct Column {
        std::string header;
        Alignment alignment;
        int width;
    };
    struct Item {
        std::vector<std::string> texts;
        int picture;
    };
    void syncShape();

    std::vector<Column> columns;
    std::vector<Item> items;
    std::vector<Fl_Image*> pictures;
};
