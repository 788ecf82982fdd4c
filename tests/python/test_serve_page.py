"""The chart page in a real browser: Debian's chromium driven by Selenium
through Debian's chromedriver, against `orvane serve` started as a user would."""

from __future__ import annotations

import os
import socket
import subprocess
import sys
import time
import urllib.request
from collections.abc import Iterator
from datetime import datetime
from pathlib import Path
from zoneinfo import ZoneInfo

import pytest

pytest.importorskip("fastapi")
pytest.importorskip("uvicorn")
webdriver = pytest.importorskip("selenium.webdriver")

import orvane_tools  # noqa: E402
from orvane_tools import chart  # noqa: E402

CHROMIUM = "/usr/bin/chromium"
CHROMEDRIVER = "/usr/bin/chromedriver"
pytestmark = pytest.mark.skipif(not (os.path.exists(CHROMIUM) and os.path.exists(CHROMEDRIVER)),
                                reason="Debian's chromium and chromium-driver are not installed")


def _free_port() -> int:
    with socket.socket() as probe:
        probe.bind(("127.0.0.1", 0))
        return int(probe.getsockname()[1])


@pytest.fixture(scope="module")
def server() -> Iterator[str]:
    port = _free_port()
    process = subprocess.Popen([sys.executable, "-m", "orvane_tools.cli", "serve", "--port", str(port)],
                               stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    base = f"http://127.0.0.1:{port}"
    try:
        deadline = time.monotonic() + 60.0
        while True:
            try:
                with urllib.request.urlopen(f"{base}/v1/health", timeout=2) as answer:
                    if answer.status == 200:
                        break
            except OSError:
                if process.poll() is not None or time.monotonic() > deadline:
                    raise RuntimeError("orvane serve did not start") from None
                time.sleep(0.2)
        yield base
    finally:
        process.terminate()
        process.wait(timeout=20)


@pytest.fixture(scope="module")
def browser() -> Iterator[object]:
    from selenium.webdriver.chrome.options import Options
    from selenium.webdriver.chrome.service import Service

    options = Options()
    options.binary_location = CHROMIUM
    for flag in ("--headless", "--no-sandbox", "--disable-dev-shm-usage", "--window-size=1280,1000"):
        options.add_argument(flag)
    driver = webdriver.Chrome(service=Service(CHROMEDRIVER), options=options)
    try:
        yield driver
    finally:
        driver.quit()


def _fill(driver, element_id: str, value: str) -> None:  # type: ignore[no-untyped-def]
    from selenium.webdriver.common.by import By

    field = driver.find_element(By.ID, element_id)
    if field.get_attribute("type") in ("date", "time"):  # the widgets' typing order follows the locale
        driver.execute_script("arguments[0].value = arguments[1]", field, value)
    else:
        field.clear()
        field.send_keys(value)


def test_the_form_draws_the_chart_and_its_tables(server, browser, tmp_path: Path) -> None:  # type: ignore[no-untyped-def]
    from selenium.webdriver.common.by import By
    from selenium.webdriver.support import expected_conditions
    from selenium.webdriver.support.ui import Select, WebDriverWait

    browser.get(server + "/")
    for element_id, value in (("date", "1990-05-17"), ("time", "14:30"), ("tz", "Europe/Paris"),
                              ("lat", "48.8566"), ("lon", "2.3522")):
        _fill(browser, element_id, value)
    Select(browser.find_element(By.ID, "houses")).select_by_visible_text("koch")
    browser.find_element(By.ID, "draw").click()
    WebDriverWait(browser, 30).until(lambda d: d.find_element(By.TAG_NAME, "body").get_attribute("data-state") == "drawn")
    WebDriverWait(browser, 30).until(
        lambda d: d.execute_script("const w = document.getElementById('wheel'); return w.complete && w.naturalWidth"))

    rows = {row.get_attribute("data-name"): [cell.text for cell in row.find_elements(By.TAG_NAME, "td")]
            for row in browser.find_elements(By.CSS_SELECTOR, "#points tbody tr")}
    when = datetime(1990, 5, 17, 14, 30, tzinfo=ZoneInfo("Europe/Paris"))
    expected = chart.chart(when, orvane_tools.place(lat=48.8566, lon=2.3522), houses="koch")
    for name in ("sun", "moon", "mars", "ascendant"):
        point = expected.point(name)
        assert rows[name][1] == chart.zodiac_text(point.longitude_deg)
        assert float(rows[name][2]) == pytest.approx(point.longitude_deg, abs=1e-4)
    assert rows["sun"][3] == str(expected.houses.house_of(expected.point("sun").longitude_deg))
    assert len(browser.find_elements(By.CSS_SELECTOR, "#cusps tbody tr")) == 12
    link = browser.find_element(By.ID, "json-link").get_attribute("href")
    assert "/v1/chart?" in link and "tz=Europe%2FParis" in link
    assert browser.find_element(By.ID, "error").text == ""

    shot = Path(os.environ.get("ORVANE_SCREENSHOTS", tmp_path)) / "chart_page.png"
    shot.parent.mkdir(parents=True, exist_ok=True)
    assert browser.save_screenshot(str(shot)) and shot.stat().st_size > 10_000

    _fill(browser, "tz", "Mars/Olympus")
    browser.find_element(By.ID, "draw").click()
    WebDriverWait(browser, 30).until(expected_conditions.text_to_be_present_in_element((By.ID, "error"), "tz:"))
    assert "unknown time zone" in browser.find_element(By.ID, "error").text
    _fill(browser, "tz", "Europe/Paris")
    browser.find_element(By.ID, "draw").click()
    WebDriverWait(browser, 30).until(lambda d: d.find_element(By.ID, "error").text == "")
