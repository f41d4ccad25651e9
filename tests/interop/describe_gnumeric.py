#!/usr/bin/python3
"""Describes an .xls workbook as Gnumeric reads it, as JSON on standard output.

Usage: describe_gnumeric.py WORKBOOK.xls [--styles A1:N11]

Gnumeric's ssconvert converts the workbook to its own uncompressed XML and to CSV; this script
reads both. Layout:

  {"sheets": [{"name", "cells": [{"ref", "row", "column", "value", "formula"}],
               "csv": [[...]] (first sheet only: Gnumeric's CSV export, numbers unformatted),
               "merged": ["A1:E1"], "column_widths_pt": {"A": 131.3},
               "default_column_width_pt", "row_heights_pt": {"1": {"points", "custom"}},
               "default_row_height_pt", "zoom", "show_gridlines",
               "names": {"Print_Area": "$A$1:$L$11"},
               "print": {"margins_pt": {"top", ...}, "scale": {...}, "orientation",
                         "paper", "hcenter", "vcenter", "gridlines", "headings",
                         "repeat_top", "header", "footer"},
               "conditions": [{"ranges": ["A10:N11"], "operator", "expressions",
                               "style": {...}}],
               "styles": {"A1": {"font": {"name", "points", "bold", "color"},
                                 "horizontal", "vertical", "wrap", "number_format",
                                 "fill": {"pattern", "back", "pattern_color"},
                                 "borders": {"top": {"style", "color"}, ...}}}}]}

"styles" holds the cells of the range given with --styles. Colours are "#RRGGBB".
"""

import csv
import os
import subprocess
import sys
import tempfile
import xml.etree.ElementTree as ET

import sheet_refs
from sheet_refs import cell_ref, column_name

NS = {"gnm": "http://www.gnumeric.org/v10.dtd"}
G = "{http://www.gnumeric.org/v10.dtd}"

HORIZONTAL = {
    "GNM_HALIGN_GENERAL": "general", "GNM_HALIGN_LEFT": "left", "GNM_HALIGN_RIGHT": "right",
    "GNM_HALIGN_CENTER": "center", "GNM_HALIGN_FILL": "fill", "GNM_HALIGN_JUSTIFY": "justify",
    "GNM_HALIGN_CENTER_ACROSS_SELECTION": "center_across",
    "GNM_HALIGN_DISTRIBUTED": "distributed",
}
VERTICAL = {
    "GNM_VALIGN_TOP": "top", "GNM_VALIGN_BOTTOM": "bottom", "GNM_VALIGN_CENTER": "center",
    "GNM_VALIGN_JUSTIFY": "justify", "GNM_VALIGN_DISTRIBUTED": "distributed",
}










def color(value):
    """Gnumeric writes colours as 16-bit channels, "RRRR:GGGG:BBBB"."""
    if not value:
        return None
    channels = [int(part, 16) >> 8 for part in value.split(":")]
    return "#%02X%02X%02X" % tuple(channels)


def describe_style(style):
    font = style.find("gnm:Font", NS)
    borders = {}
    border = style.find("gnm:StyleBorder", NS)
    for side, tag in (("top", "Top"), ("bottom", "Bottom"), ("left", "Left"), ("right", "Right")):
        line = border.find("gnm:" + tag, NS) if border is not None else None
        borders[side] = {
            "style": int(line.get("Style", "0")) if line is not None else 0,
            "color": color(line.get("Color")) if line is not None else None,
        }
    return {
        "font": {
            "name": font.text if font is not None else None,
            "points": float(font.get("Unit")) if font is not None else None,
            "bold": font is not None and font.get("Bold") == "1",
            "italic": font is not None and font.get("Italic") == "1",
            "color": color(style.get("Fore")),
        },
        "horizontal": HORIZONTAL.get(style.get("HAlign")),
        "vertical": VERTICAL.get(style.get("VAlign")),
        "wrap": style.get("WrapText") == "1",
        "number_format": style.get("Format"),
        "fill": {
            "pattern": int(style.get("Shade", "0")),
            "back": color(style.get("Back")),
            "pattern_color": color(style.get("PatternColor")),
        },
        "borders": borders,
    }


def region_range(region):
    return (int(region.get("startRow")), int(region.get("endRow")),
            int(region.get("startCol")), int(region.get("endCol")))


def range_text(first_row, last_row, first_column, last_column):
    return "%s:%s" % (cell_ref(first_row, first_column), cell_ref(last_row, last_column))


def styles_in(sheet, wanted):
    regions = sheet.findall("gnm:Styles/gnm:StyleRegion", NS)
    first_row, last_row, first_column, last_column = wanted
    result = {}
    for region in regions:
        top, bottom, left, right = region_range(region)
        if bottom < first_row or top > last_row or right < first_column or left > last_column:
            continue
        style = describe_style(region.find("gnm:Style", NS))
        for row in range(max(top, first_row), min(bottom, last_row) + 1):
            for column in range(max(left, first_column), min(right, last_column) + 1):
                result[cell_ref(row, column)] = style
    return result


def conditions_in(sheet):
    """Gnumeric keeps a conditional format in the style of every region it covers; regions
    with the same conditions are gathered into one entry."""
    gathered = {}
    for region in sheet.findall("gnm:Styles/gnm:StyleRegion", NS):
        for condition in region.findall("gnm:Style/gnm:Condition", NS):
            expressions = [child.text for child in condition
                           if child.tag.startswith(G + "Expression")]
            inner = condition.find("gnm:Style", NS)
            key = (condition.get("Operator"), tuple(expressions),
                   ET.tostring(inner) if inner is not None else b"")
            entry = gathered.setdefault(key, {
                "operator": condition.get("Operator"),
                "expressions": expressions,
                "style": describe_partial_style(inner),
                "ranges": [],
            })
            entry["ranges"].append(range_text(*region_range(region)))
    return list(gathered.values())


def describe_partial_style(style):
    """A condition's style names only what it changes."""
    if style is None:
        return {}
    result = {key: style.get(key) for key in style.keys()}
    for key in ("Back", "Fore", "PatternColor"):
        if key in result:
            result[key] = color(result[key])
    return result


def expand_infos(parent, tag):
    """Row and column infos, with their Count runs spelt out: {index: element}."""
    infos = {}
    if parent is None:
        return infos
    for info in parent.findall("gnm:" + tag, NS):
        first = int(info.get("No"))
        for index in range(first, first + int(info.get("Count", "1"))):
            infos[index] = info
    return infos


def describe_print(sheet):
    info = sheet.find("gnm:PrintInformation", NS)
    if info is None:
        return None
    margins = {}
    for margin in info.findall("gnm:Margins/*", NS):
        margins[margin.tag.replace(G, "")] = float(margin.get("Points"))
    scale = info.find("gnm:Scale", NS)

    def value_of(tag):
        element = info.find("gnm:" + tag, NS)
        if element is None:
            return None
        return element.get("value", element.text)

    return {
        "margins_pt": margins,
        "scale": dict(scale.attrib) if scale is not None else None,
        "orientation": value_of("orientation"),
        "paper": value_of("paper"),
        "hcenter": value_of("hcenter") == "1",
        "vcenter": value_of("vcenter") == "1",
        "gridlines": value_of("grid") == "1",
        "headings": value_of("titles") == "1",
        "header": dict(info.find("gnm:Header", NS).attrib)
        if info.find("gnm:Header", NS) is not None else None,
        "footer": dict(info.find("gnm:Footer", NS).attrib)
        if info.find("gnm:Footer", NS) is not None else None,
        "repeat_top": value_of("repeat_top"),
    }


def describe_sheet(sheet, wanted_styles):
    cells = []
    for cell in sheet.findall("gnm:Cells/gnm:Cell", NS):
        row, column = int(cell.get("Row")), int(cell.get("Col"))
        text = cell.text or ""
        is_formula = cell.get("ValueType") is None and text.startswith("=")
        cells.append({
            "ref": cell_ref(row, column),
            "row": row,
            "column": column,
            "value_type": cell.get("ValueType"),
            "value": None if is_formula else text,
            "formula": text if is_formula else None,
        })
    merged = [merge.text for merge in sheet.findall("gnm:MergedRegions/gnm:Merge", NS)]
    cols = sheet.find("gnm:Cols", NS)
    rows = sheet.find("gnm:Rows", NS)
    names = {}
    for name in sheet.findall("gnm:Names/gnm:Name", NS):
        names[name.find("gnm:name", NS).text] = name.find("gnm:value", NS).text
    zoom = sheet.find("gnm:Zoom", NS)
    return {
        "name": sheet.find("gnm:Name", NS).text,
        "cells": cells,
        "merged": merged,
        "column_widths_pt": {column_name(c): float(info.get("Unit"))
                             for c, info in expand_infos(cols, "ColInfo").items()},
        "default_column_width_pt": float(cols.get("DefaultSizePts")) if cols is not None
        else None,
        "row_heights_pt": {str(r + 1): {"points": float(info.get("Unit")),
                                        "custom": info.get("HardSize") == "1"}
                           for r, info in expand_infos(rows, "RowInfo").items()},
        "default_row_height_pt": float(rows.get("DefaultSizePts")) if rows is not None
        else None,
        "zoom": float(zoom.text) if zoom is not None else None,
        "show_gridlines": sheet.get("HideGrid") != "1",
        "names": names,
        "print": describe_print(sheet),
        "conditions": conditions_in(sheet),
        "styles": styles_in(sheet, wanted_styles) if wanted_styles else {},
    }


def convert(path, target, export_type):
    subprocess.run(["ssconvert", "--export-type=" + export_type, path, target], check=True,
                   stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)


def describe(path, wanted_styles):
    with tempfile.TemporaryDirectory() as folder:
        xml_path = os.path.join(folder, "book.xml")
        csv_path = os.path.join(folder, "book.csv")
        convert(path, xml_path, "Gnumeric_XmlIO:sax:0")
        convert(path, csv_path, "Gnumeric_stf:stf_csv")
        root = ET.parse(xml_path).getroot()
        with open(csv_path, newline="", encoding="utf-8") as handle:
            values = list(csv.reader(handle))
    sheets = [describe_sheet(sheet, wanted_styles)
              for sheet in root.findall("gnm:Sheets/gnm:Sheet", NS)]
    if sheets:
        sheets[0]["csv"] = values
    names = {}
    for name in root.findall("gnm:Names/gnm:Name", NS):
        names[name.find("gnm:name", NS).text] = name.find("gnm:value", NS).text
    return {"names": names, "sheets": sheets}


def main():
    return sheet_refs.run(describe, "describe_gnumeric.py WORKBOOK.xls [--styles A1:N11]")


if __name__ == "__main__":
    sys.exit(main())
