-- The two kinds of desk of an office's register on PostgreSQL: one that reads,
-- one that reads and writes. The register lives in the schema "velmaris". Run
-- this as the register's owner, in its database, once the register exists (an
-- import, a copy, or the owner's first opening of "Baux" creates it):
--     psql -d baux -f velmaris-roles.sql
-- then give each desk's login role one of the two:
--     CREATE ROLE accueil LOGIN PASSWORD '…' IN ROLE velmaris_ecriture;
--     CREATE ROLE stagiaire LOGIN PASSWORD '…' IN ROLE velmaris_lecture;
-- Running it again is harmless.
DO $$
BEGIN
    IF NOT EXISTS (SELECT FROM pg_roles WHERE rolname = 'velmaris_lecture') THEN
        CREATE ROLE velmaris_lecture NOLOGIN;
    END IF;
    IF NOT EXISTS (SELECT FROM pg_roles WHERE rolname = 'velmaris_ecriture') THEN
        CREATE ROLE velmaris_ecriture NOLOGIN;
    END IF;
END
$$;

GRANT USAGE ON SCHEMA velmaris TO velmaris_lecture, velmaris_ecriture;

-- Reading: the leases, their history and the rents charged.
GRANT SELECT ON ALL TABLES IN SCHEMA velmaris TO velmaris_lecture;
ALTER DEFAULT PRIVILEGES IN SCHEMA velmaris GRANT SELECT ON TABLES TO velmaris_lecture;

-- Writing: the same, and adding, changing and removing them; the numbers of new rows.
GRANT SELECT, INSERT, UPDATE, DELETE ON ALL TABLES IN SCHEMA velmaris TO velmaris_ecriture;
GRANT USAGE ON ALL SEQUENCES IN SCHEMA velmaris TO velmaris_ecriture;
ALTER DEFAULT PRIVILEGES IN SCHEMA velmaris
    GRANT SELECT, INSERT, UPDATE, DELETE ON TABLES TO velmaris_ecriture;
ALTER DEFAULT PRIVILEGES IN SCHEMA velmaris GRANT USAGE ON SEQUENCES TO velmaris_ecriture;

-- The office's index figures (index_figures, one row), which every desk
-- computes from, are among these tables: both kinds of desk read them, a
-- writing one completes them (INSERT, UPDATE).
