"""The homepage link and the Japanese texts, once under an English and once under a Japanese
system code page: colours under a real X pointer, the confirmation box, the browser it starts."""

import pytest

from selection_helpers import (IDCANCEL, IDOK, WM_CLOSE, Frontend, browser_processes,
                               install_fake_browser, screen_pixels, text_colour, use_cjk_tahoma,
                               wait_for)

HOMEPAGE = "http://www.keltrop.example/"
QUESTION = "ホームページへ移動しますか？"
CAPTION = "確認"
INSTRUCTIONS = "\r\n".join([
    "ＩＮＩファイルを選択、又はドロップして下さい。",
    "（拡張子はINI以外でも可）",
    "",
    "同フォルダに、Ｃ++のヘッダファイルを作成します。",
])
INKS = {"blue": (0, 0, 255), "maroon": (128, 0, 0)}
LOCALES = {"en": ("wine", 1252), "ja": ("wine_ja", 932)}


@pytest.fixture(scope="module", params=sorted(LOCALES))
def link_env(request, tmp_path_factory):
    """(locale, front end, browser log) with a front end started under that locale."""
    locale = request.param
    session = request.getfixturevalue(LOCALES[locale][0])
    if locale == "en":
        use_cjk_tahoma(session)
    log = install_fake_browser(session, tmp_path_factory.mktemp(f"browser-{locale}"))
    front = Frontend(session)
    yield locale, front, log
    front.close()


@pytest.fixture
def link(link_env):
    """The link at rest: pointer parked, browser log empty."""
    locale, fe, log = link_env
    fe.park_pointer()
    log.unlink(missing_ok=True)
    return link_env


def link_colour(fe):
    return text_colour(screen_pixels(fe.session, fe.rect(fe.link)), INKS)


def wait_colour(fe, name, timeout=2):
    """The link's colour once it is name; what it is when it never gets there."""
    try:
        return wait_for(lambda: link_colour(fe) == name and name, timeout=timeout,
                        what=f"link drawn {name}")
    except AssertionError:
        return link_colour(fe)


def hover(fe):
    fe.move_pointer(*fe.centre(fe.link))


def click_link(fe):
    hover(fe)
    fe.session.xdotool("click", "1")
    return fe.message_box()


def opened(fe, log):
    """Addresses the browser got, once the click's handler and every browser it started have
    finished."""
    fe.idle()
    wait_for(lambda: not browser_processes(fe.session), timeout=20, what="the browser to end")
    return log.read_text().splitlines() if log.exists() else []


def test_texts_in_this_code_page(link):
    locale, fe, _ = link
    assert fe.driver.acp() == LOCALES[locale][1]
    assert fe.driver.text(fe.memo2) == INSTRUCTIONS
    fe.session.screenshot(f"link-{locale}-window.png", rect=fe.rect(fe.hwnd))


def test_colour_follows_pointer(link):
    _, fe, _ = link
    # Twice round: a leave must make the next enter count again.
    for round_ in range(2):
        assert wait_colour(fe, "blue") == "blue", f"at rest, round {round_}"
        hover(fe)
        assert wait_colour(fe, "maroon") == "maroon", f"hovered, round {round_}"
        fe.park_pointer()
        assert wait_colour(fe, "blue") == "blue", f"after leaving, round {round_}"


def test_ok_opens_homepage(link):
    locale, fe, log = link
    box, caption, question = click_link(fe)
    box_rect = fe.rect(box)
    try:
        assert (caption, question) == (CAPTION, QUESTION)
        buttons = sorted((c["id"], c["visible"]) for c in fe.children_of(box)
                         if c["class"] == "Button")
        assert buttons == [(IDOK, True), (IDCANCEL, True)]
        x, y, w, h = fe.rect(fe.hwnd)
        bx, by, bw, bh = box_rect
        left, top = min(x, bx), min(y, by)
        fe.session.screenshot(f"link-{locale}-confirmation.png",
                              rect=(left, top, max(x + w, bx + bw) - left,
                                    max(y + h, by + bh) - top))
    finally:
        fe.press(box, IDOK)
    fe.wait_no_dialog()
    assert opened(fe, log) == [HOMEPAGE]


@pytest.mark.parametrize("how", ["cancel", "close"])
def test_declined_opens_nothing(link, how):
    _, fe, log = link
    box, _, _ = click_link(fe)
    if how == "cancel":
        fe.press(box, IDCANCEL)
    else:
        fe.driver.post(box, WM_CLOSE)
    fe.wait_no_dialog()
    assert opened(fe, log) == []
    # Still a link afterwards: the next answer OK opens the page once.
    box, _, _ = click_link(fe)
    fe.press(box, IDOK)
    fe.wait_no_dialog()
    assert opened(fe, log) == [HOMEPAGE]
