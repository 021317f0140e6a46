#!/usr/bin/env python3
"""Drives Debian's Chromium through the web service's pages as a person would: logs in, reads
"Przegląd", the exception report with its colours, its PDF and CSV as downloaded files, the punch
pages, the archive and its evidence file (checked by ronvalo-verify --dowod), the accounts, and
logs out; then as a client, tries another client's instrument by every address. Saves a
screenshot of every page. Exit 0 when every check holds; the failed check's line otherwise."""
import argparse
import csv
import datetime
import glob
import os
import subprocess
import sys
import time

from selenium import webdriver
from selenium.webdriver.chrome.service import Service
from selenium.webdriver.common.by import By
from selenium.webdriver.support import expected_conditions
from selenium.webdriver.support.ui import Select, WebDriverWait

failures = []


def check(condition, what):
    if not condition:
        failures.append(what)
        print("NIE:", what, file=sys.stderr)


def browser(downloads):
    options = webdriver.ChromeOptions()
    for argument in ("--headless=new", "--no-sandbox", "--disable-dev-shm-usage",
                     "--window-size=1280,1000", "--lang=pl", "--disable-gpu"):
        options.add_argument(argument)
    options.add_experimental_option("prefs", {
        "download.default_directory": downloads,
        "download.prompt_for_download": False,
    })
    driver = webdriver.Chrome(service=Service("/usr/bin/chromedriver"), options=options)
    # Headless Chromium saves a download only where it is told to.
    driver.execute_cdp_cmd("Browser.setDownloadBehavior",
                           {"behavior": "allow", "downloadPath": downloads})
    return driver


def wait_for_file(folder, pattern, seconds=60):
    deadline = time.time() + seconds
    while time.time() < deadline:
        found = [f for f in glob.glob(os.path.join(folder, pattern))
                 if not f.endswith(".crdownload")]
        if found:
            time.sleep(0.3)
            return found[0]
        time.sleep(0.2)
    return None


def click_to_next_page(driver, element):
    """Clicks a link or button that loads another page, and waits until it has replaced this
    one: a check made at once could still read the page before."""
    page = driver.find_element(By.TAG_NAME, "html")
    element.click()
    WebDriverWait(driver, 60).until(expected_conditions.staleness_of(page))


def log_in(driver, url, login, password):
    driver.get(url + "/logowanie")
    driver.find_element(By.NAME, "login").send_keys(login)
    driver.find_element(By.NAME, "haslo").send_keys(password)
    click_to_next_page(driver, driver.find_element(By.CSS_SELECTOR, "button[type=submit]"))


def shot(driver, folder, name):
    # The whole page, not only the window: a long report is seen to its end.
    height = driver.execute_script("return document.documentElement.scrollHeight")
    driver.set_window_size(1280, max(1000, min(height + 40, 6000)))
    driver.save_screenshot(os.path.join(folder, name + ".png"))
    driver.set_window_size(1280, 1000)


def office_pages(driver, args, today):
    url, shots, downloads = args.url, args.shots, args.downloads
    driver.get(url + "/")
    check("/logowanie" in driver.current_url, "a page without a session leads to Logowanie")
    shot(driver, shots, "logowanie")
    log_in(driver, url, "admin", "haslo-admina-1")
    check(driver.title.startswith("Przegląd"), "after login: Przegląd")
    rows = driver.find_elements(By.CSS_SELECTOR, "main table tbody tr")
    check(len(rows) == 3, "Przegląd lists three instruments")
    check(len(driver.find_elements(By.CSS_SELECTOR, "svg.chart rect")) == 90,
          "a chart of 30 days per instrument")
    check("Brak odczytu od 11 dni" in driver.page_source, "the overdue instrument is named")
    shot(driver, shots, "przeglad")

    first = (today - datetime.timedelta(days=12)).isoformat()
    driver.get(f"{url}/raport?od={first}&do={today.isoformat()}")
    colours = {
        "s0": "rgba(255, 170, 170, 1)",  # Nie wykonany
        "s1": "rgba(255, 170, 170, 1)",  # Niepełny
        "s3": "rgba(255, 200, 120, 1)",  # Spóźniony
    }
    for status, colour in colours.items():
        found = driver.find_elements(By.CSS_SELECTOR, f"tr.{status}")
        shown = found[0].value_of_css_property("background-color") if found else None
        check(shown == colour, f"rows {status} in {colour}, not {shown}")
    done = [r for r in driver.find_elements(By.CSS_SELECTOR, "main table tbody tr")
            if "Wykonany" in r.text]
    check(done and done[0].value_of_css_property("background-color") == "rgba(0, 0, 0, 0)",
          "rounds walked as planned have no colour")
    check("Zgodność" in driver.find_element(By.CSS_SELECTOR, "p.summary").text,
          "the summary line")
    shot(driver, shots, "raport")
    Select(driver.find_element(By.NAME, "czytnik")).select_by_value("0101")
    driver.find_element(By.NAME, "wyjatki").click()
    click_to_next_page(driver, driver.find_element(By.CSS_SELECTOR, "form.choices button"))
    shown = driver.find_elements(By.CSS_SELECTOR, "main table:first-of-type tbody tr")
    check(shown and all("0101" in r.text and "Wykonany" not in r.text for r in shown),
          "tylko wyjątki of 0101")
    driver.find_element(By.LINK_TEXT, "PDF").click()
    pdf = wait_for_file(downloads, "*.pdf")
    check(pdf is not None, "the PDF is downloaded")
    if pdf:
        text = subprocess.run(["pdftotext", "-layout", pdf, "-"], capture_output=True,
                              text=True).stdout
        check("Raport wyjątków" in text and "0101" in text, "the PDF is the report")
        check("0202" not in text, "the PDF holds the chosen instrument only")
    driver.find_element(By.LINK_TEXT, "CSV").click()
    table = wait_for_file(downloads, "*.csv")
    check(table is not None, "the CSV is downloaded")
    if table:
        with open(table, encoding="utf-8-sig", newline="") as f:
            read = list(csv.reader(f, delimiter=";"))
        check(read[0][:3] == ["Data", "Plan", "Czytnik"], "the CSV's titles")
        check(len(read) > 1 and all("0101" in r[2] for r in read[1:]), "the CSV's rows")

    driver.get(f"{url}/odbicia?czytnik=0101&od={first}&do={today.isoformat()}")
    first_page = driver.find_element(By.CSS_SELECTOR, "main table tbody tr").text
    check(len(driver.find_elements(By.CSS_SELECTOR, "main table tbody tr")) == 100,
          "a page of 100 punches")
    shot(driver, shots, "odbicia")
    click_to_next_page(driver, driver.find_element(By.LINK_TEXT, "Następna strona"))
    check(driver.find_element(By.CSS_SELECTOR, "main table tbody tr").text != first_page,
          "the next page goes on")

    driver.get(url + "/archiwum")
    check(driver.find_elements(By.CSS_SELECTOR, "main p.ok"), "the archive is intact")
    shot(driver, shots, "archiwum")
    driver.get(f"{url}/archiwum?od={first}&do={today.isoformat()}")
    driver.find_element(By.LINK_TEXT, "Dowód okresu").click()
    evidence = wait_for_file(downloads, "dowod*")
    check(evidence is not None, "the evidence file is downloaded")
    if evidence:
        verified = subprocess.run([args.verify, "--dowod", evidence], capture_output=True,
                                  text=True)
        check(verified.returncode == 0,
              "ronvalo-verify --dowod: " + verified.stdout + verified.stderr)

    driver.get(url + "/konta")
    form = driver.find_element(By.CSS_SELECTOR, "form[action='/konta/dodaj']")
    form.find_element(By.NAME, "login").send_keys("klient3")
    Select(form.find_element(By.NAME, "rola")).select_by_value("klient")
    form.find_element(By.NAME, "czytniki").send_keys("0303")
    form.find_element(By.NAME, "haslo").send_keys("haslo-klienta-3")
    click_to_next_page(driver, form.find_element(By.CSS_SELECTOR, "button"))
    check("Dodano konto klient3." in driver.page_source, "an account added on Konta")
    shot(driver, shots, "konta")
    click_to_next_page(driver, driver.find_element(By.XPATH, "//button[text()='Wyloguj']"))
    check("/logowanie" in driver.current_url, "Wyloguj leads to Logowanie")
    driver.get(url + "/raport")
    check("/logowanie" in driver.current_url, "after Wyloguj no page is served")


def client_pages(driver, args, foreign_download):
    url, shots = args.url, args.shots
    log_in(driver, url, "klient1", "haslo-klienta-1")
    check("0202" not in driver.page_source and "0101" in driver.page_source,
          "the client's Przegląd holds its instrument only")
    shot(driver, shots, "klient-przeglad")
    for path in ("/raport?czytnik=0202", "/raport.pdf?czytnik=0202", "/raport.csv?czytnik=0202",
                 "/odbicia?czytnik=0202", f"/odbicia?odczyt={foreign_download}",
                 f"/archiwum/odczyt?nr={foreign_download}", "/konta"):
        driver.get(url + path)
        check("Nie ma takiej strony." in driver.page_source, "the client is refused " + path)
    shot(driver, shots, "klient-odmowa")
    driver.get(url + "/raport")
    options = [o.get_attribute("value") for o in
               Select(driver.find_element(By.NAME, "czytnik")).options]
    check(options == ["", "0101"], "the client chooses among its instruments only")


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--url", required=True)
    parser.add_argument("--shots", required=True)
    parser.add_argument("--verify", required=True)
    parser.add_argument("--foreign-download", required=True)
    args = parser.parse_args()
    args.shots = os.path.abspath(args.shots)
    os.makedirs(args.shots, exist_ok=True)
    args.downloads = os.path.join(args.shots, "pobrane")
    os.makedirs(args.downloads, exist_ok=True)
    for old in glob.glob(os.path.join(args.downloads, "*")):
        os.remove(old)
    today = datetime.date.today()
    driver = browser(args.downloads)
    try:
        office_pages(driver, args, today)
        driver.delete_all_cookies()
        client_pages(driver, args, args.foreign_download)
    finally:
        driver.quit()
    print(f"{len(failures)} niezgodności", file=sys.stderr)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
