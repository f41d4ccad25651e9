#!/usr/bin/python3
"""Describes an .xls workbook as xlrd reads it, as JSON on standard output.

Usage: describe_xls.py WORKBOOK.xls

xlrd is an independent reader of the format: what it prints is what another program sees in a
file we wrote. Tests compare this description with what they meant to write. Layout:

  {"codepage", "datemode", "palette": {"22": "#F4F4F4", ...}, "default_font": {...},
   "formats": {"<xf>": {"font": {...}, "number_format", "horizontal", "vertical", "wrap",
                        "fill": {"pattern", "color", "background"},
                        "borders": {"left": {"style", "color"}, ...}}},
   "names": [{"name", "builtin", "scope", "area": {"sheet", "rows", "columns"}}],
   "sheets": [{"name", "rows", "columns", "cells": [{"ref", "row", "column", "type",
               "value", "xf"}], "merged": ["A1:E1"], "column_widths": {"A": 6582},
               "column_xfs": {"A": 17}, "default_column_width", "row_heights":
               {"1": {"twips", "custom"}}, "default_row_height", "zoom",
               "show_gridlines", "show_headings", "selected"}]}

Rows and columns in "row"/"column" are zero-based; "ref" and row keys are Excel's (A1, "1").
Colours are "#RRGGBB", or null where the file names a system or automatic colour.
"""

import sys

import xlrd

import sheet_refs
from sheet_refs import cell_ref, column_name

CELL_TYPES = {
    xlrd.XL_CELL_EMPTY: "empty",
    xlrd.XL_CELL_TEXT: "text",
    xlrd.XL_CELL_NUMBER: "number",
    xlrd.XL_CELL_DATE: "date",
    xlrd.XL_CELL_BOOLEAN: "boolean",
    xlrd.XL_CELL_ERROR: "error",
    xlrd.XL_CELL_BLANK: "blank",
}

HORIZONTAL = ["general", "left", "center", "right", "fill", "justify", "center_across",
              "distributed"]
VERTICAL = ["top", "center", "bottom", "justify", "distributed"]






def color(book, index):
    rgb = book.colour_map.get(index)
    return None if rgb is None else "#%02X%02X%02X" % rgb


def describe_font(book, font):
    return {
        "name": font.name,
        "points": font.height / 20.0,
        "bold": bool(font.bold),
        "italic": bool(font.italic),
        "underline": font.underline_type,
        "color": color(book, font.colour_index),
        "color_index": font.colour_index,
    }


def describe_xf(book, xf):
    fmt = book.format_map.get(xf.format_key)
    alignment = xf.alignment
    border = xf.border
    background = xf.background
    borders = {}
    for side in ("left", "right", "top", "bottom"):
        borders[side] = {
            "style": getattr(border, side + "_line_style"),
            "color": color(book, getattr(border, side + "_colour_index")),
        }
    return {
        "font": describe_font(book, book.font_list[xf.font_index]),
        "number_format": fmt.format_str if fmt else None,
        "number_format_id": xf.format_key,
        "horizontal": HORIZONTAL[alignment.hor_align] if alignment.hor_align < 8 else None,
        "vertical": VERTICAL[alignment.vert_align] if alignment.vert_align < 5 else None,
        "wrap": bool(alignment.text_wrapped),
        "fill": {
            "pattern": background.fill_pattern,
            "color": color(book, background.pattern_colour_index),
            "background": color(book, background.background_colour_index),
        },
        "borders": borders,
    }


def cell_value(book, cell):
    if cell.ctype == xlrd.XL_CELL_ERROR:
        return xlrd.error_text_from_code.get(cell.value, cell.value)
    if cell.ctype == xlrd.XL_CELL_BOOLEAN:
        return bool(cell.value)
    return cell.value


def describe_sheet(book, sheet):
    cells = []
    for row in range(sheet.nrows):
        for column in range(sheet.row_len(row)):
            cell = sheet.cell(row, column)
            if cell.ctype == xlrd.XL_CELL_EMPTY:
                continue
            cells.append({
                "ref": cell_ref(row, column),
                "row": row,
                "column": column,
                "type": CELL_TYPES[cell.ctype],
                "value": cell_value(book, cell),
                "xf": cell.xf_index,
            })
    merged = ["%s:%s" % (cell_ref(rlo, clo), cell_ref(rhi - 1, chi - 1))
              for rlo, rhi, clo, chi in sheet.merged_cells]
    return {
        "name": sheet.name,
        "rows": sheet.nrows,
        "columns": sheet.ncols,
        "cells": cells,
        "merged": merged,
        "column_widths": {column_name(c): info.width for c, info in sheet.colinfo_map.items()},
        "column_xfs": {column_name(c): info.xf_index for c, info in sheet.colinfo_map.items()},
        "default_column_width": sheet.defcolwidth,
        "standard_width": sheet.standardwidth,
        "row_heights": {
            str(r + 1): {"twips": info.height, "custom": bool(info.height_mismatch)}
            for r, info in sheet.rowinfo_map.items()
        },
        "default_row_height": sheet.default_row_height,
        "zoom": sheet.scl_mag_factor,
        "show_gridlines": bool(sheet.show_grid_lines),
        "show_headings": bool(sheet.show_sheet_headers),
        "selected": bool(sheet.sheet_selected),
    }


def describe_name(book, name):
    result = {"name": name.name, "builtin": bool(name.builtin), "scope": name.scope,
              "area": None}
    try:
        sheet, rlo, rhi, clo, chi = name.area2d(clipped=False)
        result["area"] = {"sheet": book.sheet_names().index(sheet.name),
                          "rows": [rlo, rhi - 1], "columns": [clo, chi - 1]}
    except Exception:  # a name that is not a single area has none to report
        pass
    return result


def describe(path):
    book = xlrd.open_workbook(path, formatting_info=True, on_demand=False)
    used_xfs = set()
    sheets = []
    for sheet in book.sheets():
        description = describe_sheet(book, sheet)
        used_xfs.update(cell["xf"] for cell in description["cells"])
        used_xfs.update(description["column_xfs"].values())
        sheets.append(description)
    return {
        "codepage": book.codepage,
        "datemode": book.datemode,
        "palette": {str(i): color(book, i) for i in range(8, 64)},
        "default_font": describe_font(book, book.font_list[0]),
        "formats": {str(i): describe_xf(book, book.xf_list[i]) for i in sorted(used_xfs)},
        "names": [describe_name(book, name) for name in book.name_obj_list],
        "sheets": sheets,
    }


def main():
    return sheet_refs.run(describe, "describe_xls.py WORKBOOK.xls", takes_styles=False)


if __name__ == "__main__":
    sys.exit(main())
