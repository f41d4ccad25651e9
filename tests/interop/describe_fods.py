#!/usr/bin/python3
"""Describes a workbook as LibreOffice read it, from the flat OpenDocument file (.fods) that
LibreOffice wrote when converting it, as JSON on standard output.

Usage: describe_fods.py WORKBOOK.fods [--styles A1:N11]

LibreOffice converts an .xls to .fods with `soffice --convert-to fods`; what it writes there is
what it understood of our file. Layout:

  {"sheets": [{"name", "print_ranges", "header_rows": [9],
               "cells": [{"ref", "row", "column", "type", "value", "text", "formula"}],
               "merged": ["A1:E1"], "column_widths_in": {"A": 1.98},
               "row_heights_pt": {"1": {"points", "custom"}},
               "conditions": [{"range", "condition", "style": {...}}],
               "page": {"width_in", "height_in", "orientation", "margins_in": {...},
                        "scale_to_x", "scale_to_y", "centering", "header", "footer"},
               "styles": {"A1": {"font": {"name", "points", "bold", "color"}, "horizontal",
                                 "vertical", "wrap", "fill", "borders": {"top": ...},
                                 "number_format": {"kind", "decimals", "grouping", "text",
                                                   "red_negative"}}}}]}

"styles" holds the cells of the range given with --styles. A null font colour is LibreOffice's
automatic colour; a null fill is none; a border is {"style", "width_pt", "color"} or null.
"""

import re
import sys
import xml.etree.ElementTree as ET

import sheet_refs
from sheet_refs import cell_ref, column_name

NS = {
    "office": "urn:oasis:names:tc:opendocument:xmlns:office:1.0",
    "style": "urn:oasis:names:tc:opendocument:xmlns:style:1.0",
    "table": "urn:oasis:names:tc:opendocument:xmlns:table:1.0",
    "text": "urn:oasis:names:tc:opendocument:xmlns:text:1.0",
    "fo": "urn:oasis:names:tc:opendocument:xmlns:xsl-fo-compatible:1.0",
    "number": "urn:oasis:names:tc:opendocument:xmlns:datastyle:1.0",
    "svg": "urn:oasis:names:tc:opendocument:xmlns:svg-compatible:1.0",
    "calcext": "urn:org:documentfoundation:names:experimental:calc:xmlns:calcext:1.0",
}


def q(name):
    prefix, local = name.split(":")
    return "{%s}%s" % (NS[prefix], local)








def length_in(value, unit):
    """ "0.25in", "18pt", "0.635cm" in inches or points."""
    match = re.match(r"([-\d.]+)(in|pt|cm|mm)", value or "")
    if not match:
        return None
    number, given = float(match.group(1)), match.group(2)
    inches = {"in": 1, "pt": 1 / 72, "cm": 1 / 2.54, "mm": 1 / 25.4}[given] * number
    return inches if unit == "in" else inches * 72


class Styles:
    """Cell styles by name, each with its properties merged over its parents'."""

    def __init__(self, root):
        self.raw = {}
        for container in ("office:styles", "office:automatic-styles"):
            for style in root.findall("%s/style:style" % container, NS):
                self.raw[style.get(q("style:name"))] = style
                # Conditions name their style by its display name.
                display = style.get(q("style:display-name"))
                if display:
                    self.raw.setdefault(display, style)
        self.default = root.find("office:styles/style:default-style[@style:family='table-cell']",
                                 NS)
        self.fonts = {face.get(q("style:name")): face.get(q("svg:font-family")).strip("'")
                      for face in root.iter(q("style:font-face"))}
        self.data_styles = {}
        for container in ("office:styles", "office:automatic-styles"):
            for element in root.find(container, NS) or []:
                if element.tag.startswith("{%s}" % NS["number"]):
                    self.data_styles[element.get(q("style:name"))] = element
        self.cache = {}

    def properties(self, name):
        """{property: value} of a style, its parents' first, for the three property kinds."""
        if name in self.cache:
            return self.cache[name]
        chain = []
        while name in self.raw and name not in chain:
            chain.append(name)
            name = self.raw[name].get(q("style:parent-style-name"))
        merged = {}
        sources = ([self.default] if self.default is not None else []) + \
                  [self.raw[n] for n in reversed(chain)]
        for style in sources:
            for kind in ("table-cell-properties", "paragraph-properties", "text-properties"):
                element = style.find("style:" + kind, NS)
                if element is not None:
                    merged.update(element.attrib)
            data = style.get(q("style:data-style-name"))
            if data:
                merged["data-style"] = data
        if chain:
            self.cache[chain[0]] = merged
        return merged

    def describe(self, name):
        props = self.properties(name)
        get = lambda key: props.get(q(key))
        align = get("fo:text-align")
        if get("style:text-align-source") != "fix" or align is None:
            horizontal = "general"
        else:
            horizontal = {"start": "left", "left": "left", "center": "center", "end": "right",
                          "right": "right", "justify": "justify"}.get(align, align)
        vertical = {"middle": "center", "top": "top", "bottom": "bottom"}.get(
            get("style:vertical-align"), "bottom")
        background = get("fo:background-color")
        weight = get("fo:font-weight") or "normal"
        return {
            "font": {
                "name": self.fonts.get(get("style:font-name"), get("style:font-name")),
                "points": round(length_in(get("fo:font-size"), "pt") or 0, 2),
                "bold": weight == "bold" or (weight.isdigit() and int(weight) >= 600),
                "color": None if get("style:use-window-font-color") == "true"
                else (get("fo:color") or "").upper() or None,
            },
            "horizontal": horizontal,
            "vertical": vertical,
            "wrap": get("fo:wrap-option") == "wrap",
            "fill": None if background in (None, "transparent") else background.upper(),
            "borders": {side: border(get("fo:border-" + side) or get("fo:border"))
                        for side in ("top", "bottom", "left", "right")},
            "number_format": self.describe_data_style(props.get("data-style")),
        }

    def describe_data_style(self, name):
        """What LibreOffice made of a number format: its kind, the decimals and grouping of
        its numbers, the literal text of all its sections and whether a section is red. A
        format of several sections is a main element with maps to the other sections."""
        element = self.data_styles.get(name)
        if element is None:
            return {"kind": None}
        sections = [element] + [self.data_styles[m.get(q("style:apply-style-name"))]
                                for m in element.findall("style:map", NS)
                                if m.get(q("style:apply-style-name")) in self.data_styles]
        numbers = [n for section in sections for n in section.findall("number:number", NS)]
        text = "".join(part.text or "" for section in sections for part in section.iter()
                       if part.tag in (q("number:text"), q("number:currency-symbol")))
        red = any((props.get(q("fo:color")) or "").lower() == "#ff0000"
                  for section in sections
                  for props in section.findall("style:text-properties", NS))
        return {
            "kind": element.tag.split("}")[1].replace("-style", ""),
            "decimals": int(numbers[0].get(q("number:decimal-places"), "0")) if numbers
            else None,
            "grouping": bool(numbers) and numbers[0].get(q("number:grouping")) == "true",
            "text": text,
            "red_negative": red,
        }


def border(value):
    if not value or value == "none":
        return None
    parts = value.split()
    return {"width_pt": round(length_in(parts[0], "pt"), 2), "style": parts[1],
            "color": parts[2].upper() if len(parts) > 2 else None}


def table_rows(table):
    """The table's rows in order, through header-row and row-group wrappers."""
    for child in table:
        if child.tag == q("table:table-row"):
            yield child
        elif child.tag in (q("table:table-header-rows"), q("table:table-row-group"),
                           q("table:table-rows")):
            yield from table_rows(child)


def header_rows(table):
    rows = []
    row = 0
    for child in table:
        if child.tag == q("table:table-row"):
            row += int(child.get(q("table:number-rows-repeated"), "1"))
        elif child.tag == q("table:table-header-rows"):
            for inner in child.findall("table:table-row", NS):
                count = int(inner.get(q("table:number-rows-repeated"), "1"))
                rows.extend(range(row + 1, row + count + 1))
                row += count
        elif child.tag in (q("table:table-row-group"), q("table:table-rows")):
            row += sum(int(r.get(q("table:number-rows-repeated"), "1"))
                       for r in child.iter(q("table:table-row")))
    return rows


def column_widths(table, styles):
    """Column widths in inches, for the columns of the .xls grid (A to IV)."""
    widths = {}
    column = 0
    for element in table.iter(q("table:table-column")):
        count = int(element.get(q("table:number-columns-repeated"), "1"))
        style = styles.raw.get(element.get(q("table:style-name")))
        props = style.find("style:table-column-properties", NS) if style is not None else None
        width = length_in(props.get(q("style:column-width")), "in") if props is not None \
            else None
        for index in range(column, min(column + count, 256)):
            widths[column_name(index)] = round(width, 4) if width else None
        column += count
    return widths


def row_height(row, styles):
    """(points, custom) of a table row: custom when the height is not fitted to the cells."""
    style = styles.raw.get(row.get(q("table:style-name")))
    props = style.find("style:table-row-properties", NS) if style is not None else None
    if props is None:
        return None
    height = length_in(props.get(q("style:row-height")), "pt")
    return {"points": round(height, 2) if height else None,
            "custom": props.get(q("style:use-optimal-row-height")) == "false"}


def column_styles(table):
    styles = []
    for column in table.iter(q("table:table-column")):
        count = int(column.get(q("table:number-columns-repeated"), "1"))
        styles.extend([column.get(q("table:default-cell-style-name"))] * min(count, 1024))
    return styles


def describe_sheet(table, styles, wanted):
    columns = column_styles(table)
    cells, merged, found, heights = [], [], {}, {}
    row = 0
    last_wanted_row = wanted[1] if wanted else -1
    for element in table_rows(table):
        repeat = int(element.get(q("table:number-rows-repeated"), "1"))
        entries = list(element)
        # Rows past the last one with a value or a format are the grid's filler.
        has_content = any(len(cell) or cell.get(q("office:value-type")) or
                          cell.get(q("table:style-name")) for cell in entries)
        if not has_content and row > last_wanted_row:
            row += repeat
            continue
        for offset in range(min(repeat, 1024)):
            heights[str(row + offset + 1)] = row_height(element, styles)
            column = 0
            for cell in entries:
                count = int(cell.get(q("table:number-columns-repeated"), "1"))
                style = cell.get(q("table:style-name"))
                for c in range(column, column + min(count, 1024)):
                    r = row + offset
                    if wanted and wanted[0] <= r <= wanted[1] and wanted[2] <= c <= wanted[3]:
                        name = style or (columns[c] if c < len(columns) else None) or "Default"
                        found[cell_ref(r, c)] = styles.describe(name)
                    value_type = cell.get(q("office:value-type"))
                    if cell.tag == q("table:table-cell") and value_type:
                        text = "\n".join("".join(p.itertext())
                                         for p in cell.findall("text:p", NS))
                        cells.append({
                            "ref": cell_ref(r, c), "row": r, "column": c, "type": value_type,
                            "value": cell.get(q("office:value")) or text, "text": text,
                            "formula": cell.get(q("table:formula")),
                        })
                    spanned = cell.get(q("table:number-columns-spanned"))
                    if spanned:
                        rows = int(cell.get(q("table:number-rows-spanned"), "1"))
                        merged.append("%s:%s" % (cell_ref(r, c),
                                                 cell_ref(r + rows - 1, c + int(spanned) - 1)))
                column += count
        row += repeat
    conditions = []
    for fmt in table.findall("calcext:conditional-formats/calcext:conditional-format", NS):
        for condition in fmt.findall("calcext:condition", NS):
            name = condition.get(q("calcext:apply-style-name"))
            conditions.append({
                "range": fmt.get(q("calcext:target-range-address")),
                "condition": condition.get(q("calcext:value")),
                "style": styles.describe(name),
            })
    return {
        "name": table.get(q("table:name")),
        "print_ranges": table.get(q("table:print-ranges")),
        "header_rows": header_rows(table),
        "cells": cells,
        "merged": merged,
        "column_widths_in": column_widths(table, styles),
        "row_heights_pt": heights,
        "conditions": conditions,
        "styles": found,
        "style_name": table.get(q("table:style-name")),
    }


def describe_page(root, table_style_name):
    table_style = root.find(".//style:style[@style:name='%s']" % table_style_name, NS)
    master_name = table_style.get(q("style:master-page-name")) if table_style is not None \
        else None
    master = root.find(".//style:master-page[@style:name='%s']" % master_name, NS) \
        if master_name else None
    if master is None:
        return None
    layout = root.find(".//style:page-layout[@style:name='%s']" %
                       master.get(q("style:page-layout-name")), NS)
    props = layout.find("style:page-layout-properties", NS)
    get = lambda key: props.get(q(key))

    def shown(part):
        element = master.find("style:" + part, NS)
        return element is not None and element.get(q("style:display")) != "false"

    return {
        "width_in": length_in(get("fo:page-width"), "in"),
        "height_in": length_in(get("fo:page-height"), "in"),
        "orientation": get("style:print-orientation"),
        "margins_in": {side: length_in(get("fo:margin-" + side), "in")
                       for side in ("top", "bottom", "left", "right")},
        "scale_to_x": get("style:scale-to-X"),
        "scale_to_y": get("style:scale-to-Y"),
        "scale_to_pages": get("style:scale-to-pages"),
        "centering": get("style:table-centering"),
        "print": get("style:print"),
        "header": shown("header"),
        "footer": shown("footer"),
    }


def describe(path, wanted):
    root = ET.parse(path).getroot()
    styles = Styles(root)
    sheets = []
    for table in root.findall("office:body/office:spreadsheet/table:table", NS):
        sheet = describe_sheet(table, styles, wanted)
        sheet["page"] = describe_page(root, sheet.pop("style_name"))
        sheets.append(sheet)
    return {"sheets": sheets}


def main():
    return sheet_refs.run(describe, "describe_fods.py WORKBOOK.fods [--styles A1:N11]")


if __name__ == "__main__":
    sys.exit(main())
