#!/usr/bin/python3
"""The peer of `orla-vendas render` for the PDF figures: ReportLab (Debian's
python3-reportlab) renders the rows of the same report document as a plain table with a
repeated header, grouped by day with a subtotal line, in the same DejaVu Sans Condensed.

    /usr/bin/time -v /usr/bin/python3 reportlab_peer.py REPORT.json OUT.pdf
"""
import json
import sys
from itertools import groupby

from reportlab.lib import colors
from reportlab.lib.pagesizes import A4, landscape
from reportlab.pdfbase import pdfmetrics
from reportlab.pdfbase.ttfonts import TTFont
from reportlab.platypus import Paragraph, SimpleDocTemplate, Table, TableStyle
from reportlab.lib.styles import ParagraphStyle

FONTS = "/usr/share/fonts/truetype/dejavu/"
pdfmetrics.registerFont(TTFont("Body", FONTS + "DejaVuSansCondensed.ttf"))
pdfmetrics.registerFont(TTFont("Bold", FONTS + "DejaVuSansCondensed-Bold.ttf"))


def money(value):
    if not isinstance(value, (int, float)):
        return "" if value is None else str(value)
    text = f"{value:,.2f}"
    return text.replace(",", "_").replace(".", ",").replace("_", ".")


def main(source, out):
    with open(source, encoding="utf-8") as f:
        doc = json.load(f)
    report = doc.get("report", doc)
    columns = report["columns"]
    money_columns = set(range(7, 16))
    header = [c.replace("_", " ")[:13] for c in columns]
    widths = [(842 - 56) / len(columns)] * len(columns)
    style = TableStyle([
        ("FONT", (0, 0), (-1, -1), "Body", 6),
        ("FONT", (0, 0), (-1, 0), "Bold", 6),
        ("BACKGROUND", (0, 0), (-1, 0), colors.HexColor("#e4e9f0")),
        ("ROWBACKGROUNDS", (0, 1), (-1, -2), [colors.white, colors.HexColor("#f5f7fa")]),
        ("FONT", (0, -1), (-1, -1), "Bold", 6),
        ("ALIGN", (7, 0), (15, -1), "RIGHT"),
        ("LEFTPADDING", (0, 0), (-1, -1), 2),
        ("RIGHTPADDING", (0, 0), (-1, -1), 2),
        ("TOPPADDING", (0, 0), (-1, -1), 1),
        ("BOTTOMPADDING", (0, 0), (-1, -1), 1),
    ])
    heading = ParagraphStyle("day", fontName="Bold", fontSize=9.5, spaceBefore=6)
    story = []
    for day, rows in groupby(report["rows"], key=lambda r: str(r[0])[:10]):
        rows = list(rows)
        story.append(Paragraph(day, heading))
        data = [header]
        for r in rows:
            data.append([money(v) if i in money_columns else ("" if v is None else str(v))
                         for i, v in enumerate(r)])
        totals = [""] * len(columns)
        totals[0] = "Total " + day
        for i in (12, 13, 14, 15):
            totals[i] = money(sum(r[i] or 0 for r in rows))
        data.append(totals)
        story.append(Table(data, colWidths=widths, repeatRows=1, style=style))
    SimpleDocTemplate(out, pagesize=landscape(A4), leftMargin=28, rightMargin=28,
                      topMargin=28, bottomMargin=28, title=report.get("title", "")).build(story)


if __name__ == "__main__":
    main(sys.argv[1], sys.argv[2])
