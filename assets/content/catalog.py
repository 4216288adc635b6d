"""What each prepared set holds: the key slots, the pictures' subjects and the sounds' sources.

Slot order follows the settings window: pictures are digits 0-9, letters A-Z, space, return,
down, up, right, left, then the opening picture (43 rows); sounds are the same without the
opening (42 rows).
"""

LETTERS = [chr(ord("A") + i) for i in range(26)]
KANA = "ちこそしいはきくにまのりもみらせたすとかなひてさんつ"  # the kana printed on each letter key
EXTRA_NAMES = ["space", "return", "down", "up", "right", "left"]
EXTRA_LABELS_EN = ["SPACE", "RETURN", "DOWN", "UP", "RIGHT", "LEFT"]
EXTRA_LABELS_JA = ["すぺーす", "りたーん", "した", "うえ", "みぎ", "ひだり"]
DIGIT_WORDS_EN = ["zero", "one", "two", "three", "four", "five", "six", "seven", "eight", "nine"]
DIGIT_WORDS_JA = ["ぜろ", "いち", "に", "さん", "よん", "ご", "ろく", "なな", "はち", "きゅう"]

PICTURE_SLOTS = [str(d) for d in range(10)] + [c.lower() for c in LETTERS] + EXTRA_NAMES + ["open"]
SOUND_SLOTS = PICTURE_SLOTS[:-1]

# Folder name, mode caption (as the settings window's menus show it), counting emoji, and the
# 26 letter pictures: (emoji, English word, Japanese word). A word starts with the key's letter
# in English or in rōmaji, or with the key's kana.
PICTURE_SETS = [
    ("kids1", "お子さまモード１(bmp)", "🐞", [
        ("🐜", "ant", "あり"), ("🐻", "bear", "くま"), ("🐄", "cow", "うし"),
        ("🦆", "duck", "あひる"), ("🐘", "elephant", "ぞう"), ("🐸", "frog", "かえる"),
        ("🦒", "giraffe", "きりん"), ("🐴", "horse", "うま"), ("🐕", "inu", "いぬ"),
        ("🪼", "jellyfish", "くらげ"), ("🐨", "koala", "こあら"), ("🦁", "lion", "らいおん"),
        ("🐒", "monkey", "さる"), ("🐈", "neko", "ねこ"), ("🦉", "owl", "ふくろう"),
        ("🐷", "pig", "ぶた"), ("🐙", "octopus", "たこ"), ("🐰", "rabbit", "うさぎ"),
        ("🐍", "snake", "へび"), ("🐯", "tiger", "とら"), ("🦄", "unicorn", "ゆにこーん"),
        ("🐤", "chick", "ひよこ"), ("🐳", "whale", "くじら"), ("🐟", "fish", "さかな"),
        ("🐐", "yagi", "やぎ"), ("🦓", "zebra", "しまうま")]),
    ("kids2", "お子さまモード２(bmp)", "🚙", [
        ("✈", "airplane", "ひこうき"), ("🚌", "bus", "ばす"), ("🚗", "car", "くるま"),
        ("😵", "dizzy", "ふらふら"), ("🤩", "excited", "わくわく"), ("🚒", "fire engine", "しょうぼうしゃ"),
        ("👻", "ghost", "おばけ"), ("🚁", "helicopter", "へりこぷたー"), ("😊", "nikoniko", "にこにこ"),
        ("😂", "joy", "おおわらい"), ("🛴", "kick scooter", "きっくぼーど"), ("🚂", "locomotive", "きかんしゃ"),
        ("🏍", "motorcycle", "おーとばい"), ("😴", "nemui", "ねむい"), ("😮", "oh!", "おっ!"),
        ("🚓", "police car", "ぱとかー"), ("🚕", "taxi", "たくしー"), ("🚀", "rocket", "ろけっと"),
        ("🚢", "ship", "ふね"), ("🚜", "tractor", "とらくたー"), ("🛸", "UFO", "ゆーふぉー"),
        ("🚐", "van", "ばん"), ("😉", "wink", "ういんく"), ("🚲", "cycling", "さいくりんぐ"),
        ("⛵", "yacht", "よっと"), ("🤪", "zany", "へんがお")]),
    ("adult1", "大人モード１(bmp)", "🍓", [
        ("🍎", "apple", "りんご"), ("🍌", "banana", "ばなな"), ("🥕", "carrot", "にんじん"),
        ("🍩", "donut", "どーなつ"), ("🥚", "egg", "たまご"), ("🍟", "fries", "ぽてと"),
        ("🍇", "grapes", "ぶどう"), ("🍔", "hamburger", "はんばーがー"), ("🍦", "ice cream", "あいす"),
        ("🧃", "juice", "じゅーす"), ("🥝", "kiwi", "きうい"), ("🍋", "lemon", "れもん"),
        ("🍈", "melon", "めろん"), ("🍜", "noodles", "らーめん"), ("🍊", "orange", "おれんじ"),
        ("🍑", "peach", "もも"), ("🌮", "taco", "たこす"), ("🍙", "rice ball", "おにぎり"),
        ("🍓", "strawberry", "いちご"), ("🍅", "tomato", "とまと"), ("🍆", "nasu", "なす"),
        ("🥦", "vegetable", "やさい"), ("🍉", "watermelon", "すいか"), ("🍒", "sakuranbo", "さくらんぼ"),
        ("🍠", "yakiimo", "やきいも"), ("🥒", "zucchini", "ずっきーに")]),
    ("adult2", "大人モード２(bmp)", "⭐", [
        ("🪗", "accordion", "あこーでぃおん"), ("⚽", "ball", "ぼーる"), ("📷", "camera", "かめら"),
        ("🥁", "drum", "たいこ"), ("✉", "envelope", "ふうとう"), ("🌸", "flower", "はな"),
        ("🎸", "guitar", "ぎたー"), ("🎩", "hat", "ぼうし"), ("🏝", "island", "しま"),
        ("🧩", "jigsaw", "ぱずる"), ("🔑", "key", "かぎ"), ("💡", "light", "でんきゅう"),
        ("🎤", "microphone", "まいく"), ("📓", "notebook", "のーと"), ("🌊", "ocean", "うみ"),
        ("🎹", "piano", "ぴあの"), ("👑", "queen's crown", "おうかん"), ("🌈", "rainbow", "にじ"),
        ("🎷", "saxophone", "さっくす"), ("🎺", "trumpet", "とらんぺっと"), ("☂", "umbrella", "かさ"),
        ("🎻", "violin", "ばいおりん"), ("⌚", "watch", "とけい"), ("🩻", "x-ray", "れんとげん"),
        ("🪀", "yo-yo", "よーよー"), ("🤐", "zip", "ちゃっく")]),
    ("h", "Hモード(bmp)", "🌸", [
        ("🦋", "chou", "ちょう"), ("🐨", "koala", "こあら"), ("🍦", "soft cream", "そふとくりーむ"),
        ("🦌", "shika", "しか"), ("🐕", "inu", "いぬ"), ("🌷", "hana", "はな"),
        ("🦒", "kirin", "きりん"), ("🐻", "kuma", "くま"), ("🥕", "ninjin", "にんじん"),
        ("🥭", "mango", "まんごー"), ("📓", "nōto", "のーと"), ("🍎", "ringo", "りんご"),
        ("🍑", "momo", "もも"), ("🍊", "mikan", "みかん"), ("🦁", "raion", "らいおん"),
        ("🧼", "sekken", "せっけん"), ("🐙", "tako", "たこ"), ("🍉", "suika", "すいか"),
        ("⏰", "tokei", "とけい"), ("🐢", "kame", "かめ"), ("🍆", "nasu", "なす"),
        ("🐤", "hiyoko", "ひよこ"), ("🐞", "tentōmushi", "てんとうむし"), ("🐟", "sakana", "さかな"),
        ("🍞", "pan", "ぱん"), ("🌙", "tsuki", "つき")]),
]

# Emoji of the space and return icons, per picture set.
EXTRA_EMOJI = [("🐢", "🏠"), ("🛤", "🏁"), ("🍽", "🍱"), ("🎶", "🔔"), ("🌟", "🏡")]

SOUND_SETS = [
    ("kids1", "お子さま１モード(wav)", "synth", "pcm16"),
    ("kids2", "お子さま２モード(wav)", "gm-effects", "ima-adpcm"),
    ("adult1", "大人１モード(wav)", "scales", "pcm16"),
    ("adult2", "大人２モード(wav)", "english", "u-law"),
    ("h", "Ｈモード(wav)", "japanese", "pcm8"),
]


def picture_path(set_index, slot):
    """The file of one picture slot, relative to the content folder.

    Most pictures are bitmaps; the space and return keys are icons, the arrows metafiles, and a
    few slots use PNG so that every picture reader meets real content.
    """
    name = PICTURE_SETS[set_index][0]
    if slot in ("space", "return"):
        ext = "ico"
    elif slot in ("down", "up", "right", "left"):
        ext = "wmf"
    elif slot == "open":
        ext = "png" if set_index % 2 == 0 else "bmp"
    elif slot in ("o", "x") or (slot in "0123456789" and set_index == 3 and slot in "789"):
        ext = "png"
    else:
        ext = "bmp"
    return f"bmp/{name}/{slot}.{ext}"


def bmp_kind(set_index, slot):
    """Which bitmap encoding a .bmp slot uses: 24-bit, 8-bit palette or 8-bit run-length."""
    if slot == "open" or (set_index == 0 and slot.isdigit()):
        return "rgb24"
    if slot.isdigit() or set_index == 4:
        return "pal8"
    return "rle8"


def sound_path(set_index, slot):
    return f"wav/{SOUND_SETS[set_index][0]}/{slot}.wav"


def midi_path(slot):
    return f"mid/{slot:02d}.mid"
