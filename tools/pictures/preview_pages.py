#!/usr/bin/python3
"""Lays the wizard's labels over the pictures, as the pages show them, to judge
whether the text reads well before the pictures go into the program.

    /usr/bin/python3 tools/pictures/preview_pages.py [pictures-folder] [out.png]

DejaVu Sans at 10 pixels stands in for 8-point "MS Sans Serif": the layout is
the wizard's, the glyphs only close.
"""

import os
import sys

from PIL import Image, ImageDraw, ImageFont

DEJAVU = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf"
DEJAVU_BOLD = "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf"
LINE = 13  # 8-point text at 96 dots per inch
PRODUCT = ["\"Карта Тальмирской", "области 2.0\""]

WELCOME_INSTALL = [
    ((16, 24), ["Добро пожаловать в", "мастер установки программы"], False),
    ((16, 56), ["Карта Тальмирской", "области 2.0"], True),
    ((16, 112), ["Для продолжения установки", "нажмите кнопку \"Далее\"."], False),
]
WELCOME_UNINSTALL = [
    ((16, 24), ["С помощью этого диалога", "Вы удалите программу"], False),
    ((16, 56), ["Карта Тальмирской", "области 2.0"], True),
    ((16, 112), ["Если Вы действительно", "хотите удалить программу", "с компьютера, нажмите",
                 "кнопку \"Удалить\"."], False),
]
COMPLETED = [
    ((336, 7), PRODUCT, True),
    ((336, 35), ["успешно установлена", "на Ваш компьютер."], False),
    ((336, 104), ["Спасибо за то, что уделили", "внимание моей программе.", "",
                  "При возникновении проблем", "или вопросов, связанных с",
                  "использованием программы,", "пишите на E-Mail:"], False),
    ((336, 200), ["mail@example.ru"], True),
    ((336, 248), ["Для выхода нажмите", "кнопку \"Готово\"."], False),
]


def fonts():
    return ImageFont.truetype(DEJAVU, 10), ImageFont.truetype(DEJAVU_BOLD, 10)


def wizard_page(picture, labels, banner=None):
    """The wizard's client area with one page: picture, frame and labels."""
    page = Image.new("RGB", (520, 369), (212, 208, 200))
    page.paste(picture, (8, 8))
    d = ImageDraw.Draw(page)
    if banner is None:
        d.rectangle((8, 8, 8 + 504, 8 + 312), outline=(0, 0, 0))
    d.line((8, 328, 512, 328), fill=(128, 128, 128))
    d.line((8, 329, 512, 329), fill=(255, 255, 255))
    regular, bold = fonts()
    for (x, y), lines, heavy in labels:
        for i, text in enumerate(lines):
            at = (8 + x, 8 + y + i * LINE)
            d.text(at, text, font=bold if heavy else regular, fill=(0, 0, 0))
    for i, caption in enumerate(("< Назад", "Далее >", "Отмена")):
        x = (255, 335, 432)[i]
        d.rectangle((x, 339, x + 74, 361), fill=(212, 208, 200), outline=(64, 64, 64))
        d.text((x + 37, 350), caption, font=regular, fill=(0, 0, 0), anchor="mm")
    return page


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    folder = sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, "..", "..", "forms", "pictures")
    out = sys.argv[2] if len(sys.argv) > 2 else "pages-preview.png"
    image1 = Image.open(os.path.join(folder, "Image1.jpg")).convert("RGB")
    image2 = Image.open(os.path.join(folder, "Image2.jpg")).convert("RGB")
    image5 = Image.open(os.path.join(folder, "Image5.jpg")).convert("RGB")
    plain = Image.new("RGB", (505, 313), (212, 208, 200))
    plain.paste(image2, (0, 0))
    pages = [wizard_page(image1, WELCOME_INSTALL), wizard_page(image1, WELCOME_UNINSTALL),
             wizard_page(image5, COMPLETED), wizard_page(plain, [], banner=True)]
    sheet = Image.new("RGB", (2 * 530, 2 * 379), (40, 40, 40))
    for i, page in enumerate(pages):
        sheet.paste(page, ((i % 2) * 530 + 5, (i // 2) * 379 + 5))
    sheet.save(out)


if __name__ == "__main__":
    main()
