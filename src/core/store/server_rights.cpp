#include "core/store/server_rights.h"

namespace ronvalo {

namespace {

// The archive's two tables form one chain, in the order of places: a download row's place is its
// Nrodczytu, a change row's its PoOdczycie; at one place the download row comes first, then the
// change rows by Lp. A new row must name the last row's Skrot as its Poprzedni (none for the very
// first) and come after it in that order. The function runs with its owner's rights, so that it
// reads the whole chain and takes its lock whatever the site may, and with a fixed search path,
// so that no object a site makes can stand in for the tables. A transaction that reads from an
// older snapshot would see an older last row after the lock: only READ COMMITTED appends.
const QString chainFunction = QStringLiteral(R"(CREATE OR REPLACE FUNCTION ob.ArchiwumNastepny()
RETURNS trigger LANGUAGE plpgsql SECURITY DEFINER SET search_path = pg_catalog, pg_temp AS $f$
DECLARE
    odczyt_nr bigint;
    odczyt_skrot text;
    zmiana_miejsce bigint;
    zmiana_skrot text;
    ostatnie_lp bigint;
    miejsce bigint;
    skrot text;
BEGIN
    IF current_setting('transaction_isolation') <> 'read committed' THEN
        RAISE EXCEPTION 'Wiersze archiwum dopisuje się tylko w transakcji READ COMMITTED'
            USING ERRCODE = 'check_violation';
    END IF;
    PERFORM pg_advisory_xact_lock(hashtext('ronvalo.ob.archiwum'));
    SELECT a.Nrodczytu, a.Skrot INTO odczyt_nr, odczyt_skrot
        FROM ob.Archiwum a ORDER BY a.Nrodczytu DESC LIMIT 1;
    SELECT z.PoOdczycie, z.Skrot INTO zmiana_miejsce, zmiana_skrot
        FROM ob.ArchiwumZmian z ORDER BY z.PoOdczycie DESC, z.Lp DESC LIMIT 1;
    SELECT max(z.Lp) INTO ostatnie_lp FROM ob.ArchiwumZmian z;
    IF zmiana_miejsce IS NOT NULL AND (odczyt_nr IS NULL OR zmiana_miejsce >= odczyt_nr) THEN
        miejsce := zmiana_miejsce;
        skrot := zmiana_skrot;
    ELSE
        miejsce := odczyt_nr;
        skrot := odczyt_skrot;
    END IF;
    IF NEW.Poprzedni IS DISTINCT FROM skrot THEN
        RAISE EXCEPTION 'Wiersz archiwum odrzucony: Poprzedni nie jest skrótem ostatniego wiersza (%)',
            coalesce(skrot, 'brak wierszy') USING ERRCODE = 'check_violation';
    END IF;
    IF TG_TABLE_NAME = 'archiwum' THEN
        IF NEW.Nrodczytu <= miejsce THEN
            RAISE EXCEPTION 'Wiersz archiwum odrzucony: odczyt % nie jest po odczycie %',
                NEW.Nrodczytu, miejsce USING ERRCODE = 'check_violation';
        END IF;
    ELSE
        IF NEW.PoOdczycie < miejsce THEN
            RAISE EXCEPTION 'Wiersz archiwum odrzucony: zmiana po odczycie % jest przed odczytem %',
                NEW.PoOdczycie, miejsce USING ERRCODE = 'check_violation';
        END IF;
        IF NEW.Lp <= ostatnie_lp THEN
            RAISE EXCEPTION 'Wiersz archiwum odrzucony: Lp % nie jest po Lp %', NEW.Lp, ostatnie_lp
                USING ERRCODE = 'check_violation';
        END IF;
    END IF;
    RETURN NEW;
END
$f$)");

} // namespace

const QStringList& serverRightsStatements() {
    static const QStringList statements = [] {
        const QString role = siteGroupRole;
        const QString web = webGroupRole;
        const QString schemas = QStringLiteral("main, cz, nr, ob");
        QStringList all;
        for (const QString& group : {role, web})
            all << QStringLiteral("DO $d$ BEGIN IF NOT EXISTS (SELECT FROM pg_roles WHERE "
                                  "rolname = '%1') THEN CREATE ROLE %1 NOLOGIN; END IF; END $d$")
                       .arg(group);
        all += QStringList{
            // Whatever was given before is taken back: the rights are exactly these.
            QStringLiteral("REVOKE ALL ON ALL TABLES IN SCHEMA %1 FROM %2, %3, PUBLIC")
                .arg(schemas, role, web),
            QStringLiteral("REVOKE ALL ON ALL SEQUENCES IN SCHEMA %1 FROM %2, %3, PUBLIC")
                .arg(schemas, role, web),
            QStringLiteral("REVOKE ALL ON SCHEMA %1 FROM %2, %3, PUBLIC").arg(schemas, role, web),
            // The web service reads what the pages show and keeps its accounts; nothing else.
            QStringLiteral("GRANT USAGE ON SCHEMA %1 TO %2").arg(schemas, web),
            QStringLiteral("GRANT SELECT ON ALL TABLES IN SCHEMA %1 TO %2").arg(schemas, web),
            QStringLiteral("GRANT INSERT, UPDATE, DELETE ON ob.Konta TO %1").arg(web),
            QStringLiteral("GRANT USAGE ON SCHEMA %1 TO %2").arg(schemas, role),
            QStringLiteral("GRANT SELECT ON ALL TABLES IN SCHEMA %1 TO %2").arg(schemas, role),
            QStringLiteral("GRANT INSERT ON main.Odbicia, cz.Czytniki, nr.NrOdc, ob.Archiwum, "
                           "ob.ArchiwumZmian, ob.Transmisje TO %1")
                .arg(role),
            // The import replaces an instrument's last transmission, and locks the table
            // against other sites' imports, which takes UPDATE.
            QStringLiteral("GRANT UPDATE ON ob.Transmisje TO %1").arg(role),
            QStringLiteral("GRANT INSERT, UPDATE, DELETE ON ob.Punkty, ob.CzytnikiOpis, ob.Plany, "
                           "ob.KrokiPlanu TO %1")
                .arg(role),
            // The web service's accounts and their password hashes are not a site's.
            QStringLiteral("REVOKE ALL ON ob.Konta FROM %1").arg(role),
            chainFunction,
            QStringLiteral("REVOKE ALL ON FUNCTION ob.ArchiwumNastepny() FROM PUBLIC"),
        };
        for (const QString& table : {QStringLiteral("Archiwum"), QStringLiteral("ArchiwumZmian")}) {
            all << QStringLiteral("DROP TRIGGER IF EXISTS %1Nastepny ON ob.%1").arg(table);
            all << QStringLiteral("CREATE TRIGGER %1Nastepny BEFORE INSERT ON ob.%1 FOR EACH ROW "
                                  "EXECUTE FUNCTION ob.ArchiwumNastepny()")
                       .arg(table);
        }
        all << QStringLiteral("DO $d$ BEGIN EXECUTE format('ALTER DATABASE %I SET "
                              "idle_in_transaction_session_timeout = %L', current_database(), "
                              "'%1s'); END $d$")
                   .arg(serverIdleTransactionSeconds);
        return all;
    }();
    return statements;
}

} // namespace ronvalo
