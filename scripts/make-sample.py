#!/usr/bin/env python3
"""Writes the bundled sample map data/sample/sample.mif and sample.mid.

The map is a small fictional town on a river: regions with a hole and with
several polygons, plain and multiple polylines, points, one text object, one
object without graphics and one object that the dictionary leaves out. Both
files are cp1251 text with CR LF line ends, laid out the way MapInfo exports
them; the MID holds one record (Type, Name, Id) per MIF object, in MIF order.

Usage: make-sample.py [OUTPUT_FOLDER]   (default: data/sample of the project)
"""
import os
import sys

PEN = "    Pen (1,2,0)"
BRUSH = "    Brush (2,16777215,16777215)"
SYMBOL = "    Symbol (35,0,12)"

# Each object: (kind, description, label, geometry).
#   region:    list of polygons, each a list of (x, y) with the first vertex repeated last
#   pline:     list of parts, each a list of (x, y); one part gives "Pline n"
#   point:     (x, y)
#   text:      (string, (x1, y1, x2, y2))
#   none:      None
OBJECTS = [
    ("region", "Город", "Ольховка", [
        [(36.5050, 50.6000), (36.5300, 50.5995), (36.5350, 50.6150),
         (36.5200, 50.6250), (36.5040, 50.6200), (36.5050, 50.6000)],
        [(36.5100, 50.5880), (36.5250, 50.5870), (36.5260, 50.5940),
         (36.5110, 50.5945), (36.5100, 50.5880)]]),
    ("region", "Лес", "Дубовая роща", [
        [(36.4800, 50.6100), (36.4990, 50.6080), (36.5000, 50.6300),
         (36.4850, 50.6350), (36.4780, 50.6250), (36.4800, 50.6100)],
        [(36.4860, 50.6180), (36.4920, 50.6180), (36.4930, 50.6230),
         (36.4870, 50.6240), (36.4860, 50.6180)]]),
    ("region", "Поляна", "Лесная", [
        [(36.4860, 50.6180), (36.4920, 50.6180), (36.4930, 50.6230),
         (36.4870, 50.6240), (36.4860, 50.6180)]]),
    ("region", "Озеро", "Озеро Круглое", [
        [(36.5400, 50.6050), (36.5480, 50.6040), (36.5500, 50.6100),
         (36.5430, 50.6120), (36.5390, 50.6090), (36.5400, 50.6050)]]),
    ("region", "Озеро", "Пруд", [
        [(36.5070, 50.6160), (36.5095, 50.6158), (36.5093, 50.6176),
         (36.5071, 50.6175), (36.5070, 50.6160)]]),
    ("region", "Болото", "", [
        [(36.4900, 50.5900), (36.5000, 50.5890), (36.5020, 50.5940),
         (36.4920, 50.5950), (36.4900, 50.5900)]]),
    ("region", "Парк", "Парк Победы", [
        [(36.5150, 50.6080), (36.5220, 50.6080), (36.5220, 50.6120),
         (36.5150, 50.6120), (36.5150, 50.6080)]]),
    ("region", "Кладбище", "", [
        [(36.5300, 50.6180), (36.5340, 50.6180), (36.5340, 50.6210),
         (36.5300, 50.6210), (36.5300, 50.6180)]]),
    ("region", "Жилой квартал", "Северный, новый", [
        [(36.5100, 50.6185), (36.5180, 50.6185), (36.5180, 50.6215),
         (36.5100, 50.6215), (36.5100, 50.6185)]]),
    ("pline", "Река", "Ольшанка", [
        [(36.4800, 50.5990), (36.4950, 50.5975), (36.5100, 50.5965),
         (36.5250, 50.5960), (36.5400, 50.5950), (36.5600, 50.5930)]]),
    ("pline", "Ручей", "", [
        [(36.4950, 50.6150), (36.4970, 50.6060), (36.4990, 50.5980)],
        [(36.5400, 50.6040), (36.5420, 50.6000), (36.5430, 50.5952)]]),
    ("pline", "Железная дорога", "", [
        [(36.4800, 50.6050), (36.5000, 50.6040), (36.5150, 50.6030),
         (36.5300, 50.6020), (36.5600, 50.6000)]]),
    ("pline", "Дорога", "Р-45", [
        [(36.5180, 50.5800), (36.5190, 50.5900), (36.5200, 50.5965),
         (36.5210, 50.6050), (36.5250, 50.6400)]]),
    ("pline", "Дорога", "к селу Липовка", [
        [(36.5040, 50.6150), (36.4990, 50.6170), (36.4900, 50.6360),
         (36.4850, 50.6450)]]),
    ("pline", "Улица", "ул. Ленина", [
        [(36.5060, 50.6070), (36.5150, 50.6072), (36.5250, 50.6075),
         (36.5330, 50.6078)]]),
    ("pline", "Улица", "ул. Садовая", [
        [(36.5100, 50.6010), (36.5110, 50.6100), (36.5120, 50.6180)]]),
    ("pline", "Улица", "ул. Мира", [
        [(36.5250, 50.6010), (36.5270, 50.6180)]]),
    ("pline", "Улица", "пер. Школьный", [
        [(36.5110, 50.6130), (36.5200, 50.6135)]]),
    ("pline", "Улица", "ул. Заречная", [
        [(36.5110, 50.5900), (36.5180, 50.5905), (36.5250, 50.5900)]]),
    ("pline", "Улица", "ул. Центральная", [
        [(36.5060, 50.6040), (36.5150, 50.6045), (36.5200, 50.6046)],
        [(36.5220, 50.6046), (36.5300, 50.6048), (36.5340, 50.6050)]]),
    ("pline", "Улица", "ул. Полевая", [
        [(36.5280, 50.6100), (36.5320, 50.6140)]]),
    ("pline", "Улица", "ул. Речная", [
        [(36.5060, 50.6005), (36.5150, 50.6000), (36.5240, 50.5998)]]),
    ("pline", "Служебная линия", "Кабель", [
        [(36.5120, 50.6050), (36.5130, 50.6110)]]),
    ("point", "Школа", "Школа №1", (36.5130, 50.6140)),
    ("point", "Школа", "Школа №2", (36.5160, 50.5920)),
    ("point", "Больница", "ЦРБ", (36.5230, 50.6160)),
    ("point", "Магазин", "Продукты", (36.5160, 50.6060)),
    ("point", "Магазин", "Хозтовары", (36.5240, 50.6090)),
    ("point", "Магазин", "Аптека", (36.5140, 50.6125)),
    ("point", "Магазин", "", (36.5140, 50.5920)),
    ("point", "Церковь", "Храм Покрова", (36.5190, 50.6100)),
    ("point", "Церковь", "Часовня", (36.5320, 50.6195)),
    ("point", "АЗС", "АЗС", (36.5205, 50.5860)),
    ("point", "Почта", "Почта", (36.5170, 50.6075)),
    ("point", "Памятник", "Памятник героям", (36.5185, 50.6095)),
    ("point", "Остановка", "Автостанция", (36.5200, 50.6035)),
    ("text", "Надпись", "", ("Вокзал", (36.51, 50.61, 36.53, 50.62))),
    ("none", "", "", None),
    ("pline", "Ручей", "Липовый", [
        [(36.4880, 50.6300), (36.4950, 50.6200), (36.4980, 50.6160)]]),
]

HEADER = [
    "Version 300",
    'Charset "WindowsCyrillic"',
    'Delimiter ","',
    "CoordSys Earth Projection 1, 104",
    "Columns 3",
    "  Type Char(50)",
    "  Name Char(50)",
    "  Id Integer",
    "Data",
    "",
]


def Number(value):
    return f"{value:.4f}"


def Vertex(x, y):
    return f"{Number(x)} {Number(y)}"


def ObjectLines(kind, geometry):
    if kind == "region":
        lines = [f"Region {len(geometry)}"]
        for polygon in geometry:
            lines.append(f"  {len(polygon)}")
            lines.extend(Vertex(x, y) for x, y in polygon)
        xs = [x for polygon in geometry for x, _ in polygon]
        ys = [y for polygon in geometry for _, y in polygon]
        lines += [PEN, BRUSH,
                  f"    Center {Number((min(xs) + max(xs)) / 2)} {Number((min(ys) + max(ys)) / 2)}"]
        return lines
    if kind == "pline":
        if len(geometry) == 1:
            lines = [f"Pline {len(geometry[0])}"]
            lines.extend(Vertex(x, y) for x, y in geometry[0])
        else:
            lines = [f"Pline Multiple {len(geometry)}"]
            for part in geometry:
                lines.append(f"  {len(part)}")
                lines.extend(Vertex(x, y) for x, y in part)
        return lines + [PEN]
    if kind == "point":
        return [f"Point {Vertex(*geometry)}", SYMBOL]
    if kind == "text":
        string, box = geometry
        return ["Text", f'    "{string}"', "    " + " ".join(f"{v:g}" for v in box),
                '    Font ("Arial",0,0,0)']
    if kind == "none":
        return ["none"]
    raise ValueError(kind)


def Write(path, lines):
    with open(path, "wb") as output:
        output.write("".join(line + "\r\n" for line in lines).encode("cp1251"))


def main(argv):
    root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    folder = argv[1] if len(argv) > 1 else os.path.join(root, "data", "sample")
    mif = list(HEADER)
    mid = []
    for number, (kind, description, label, geometry) in enumerate(OBJECTS, 1):
        mif += ObjectLines(kind, geometry)
        mid.append(f'"{description}","{label}",{number}')
    Write(os.path.join(folder, "sample.mif"), mif)
    Write(os.path.join(folder, "sample.mid"), mid)
    print(f"{folder}: {len(OBJECTS)} objects")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
