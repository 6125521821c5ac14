-- Velartis channel database.
--
-- Units and codes, shared by the bundled data and the generator:
--   Sats.position           orbital position in tenths of a degree, 0..3599;
--                           east as is (192 = 19.2E), west as 3600 - tenths
--                           (3592 = 0.8W)
--   Transponders.frequency  MHz
--   Transponders.sr         symbol rate in kilosymbols per second
--   Transponders.polarity   0 vertical, 1 horizontal, 2 circular right,
--                           3 circular left
--   Transponders.fec        0 auto, 1 1/2, 2 2/3, 3 3/4, 4 5/6, 5 7/8,
--                           6 8/9, 7 3/5, 8 4/5, 9 9/10
--   Transponders.modulation 0 DVB-S QPSK, 1 DVB-S2 QPSK, 2 DVB-S2 8PSK
--   Transponders.pilot      0 off, 1 on, 2 auto
--   sid, nid, PIDs          four upper-case hexadecimal digits ("6DCA");
--   tid                     up to six; "0000" means "none" for a PID
--   Channels.ch_type        0 TV, 1 radio
--   ChannelCas.cas_id       conditional-access system code, 0..31
--
-- The widths of the text columns that the program copies without cutting
-- (location, tp_name, fav_name, lang_name, ids) match its record fields;
-- widths count characters, not bytes.
--
-- Text is utf8mb4, so names may be in any script. Its collation is
-- case-insensitive like the latin1_swedish_ci before it and orders ASCII
-- the same; ids and keys hold only ASCII, and no query sorts, groups or
-- joins on a name. It takes a letter and its accented forms, and all
-- emoji, as equal: a key or a GROUP BY on a name would need utf8mb4_bin.
-- tools/dbserver.sh migrate-utf8 converts a database of latin1 tables.

SET NAMES utf8mb4;

DROP TABLE IF EXISTS ChannelFavorite;
DROP TABLE IF EXISTS Favorites;
DROP TABLE IF EXISTS ChannelCas;
DROP TABLE IF EXISTS ChannelAudio;
DROP TABLE IF EXISTS Languages;
DROP TABLE IF EXISTS ChannelBouquet;
DROP TABLE IF EXISTS Bouquets;
DROP TABLE IF EXISTS Channels;
DROP TABLE IF EXISTS Transponders;
DROP TABLE IF EXISTS Sats;
DROP TABLE IF EXISTS BrenikToolsCounter;
DROP TABLE IF EXISTS TeamMsg;
DROP TABLE IF EXISTS DataVersion;

-- One row, raised by every import in its own transaction (and by any script
-- that changes the data), so a client tells in one statement whether
-- anything changed since its last list. It starts from the time of loading:
-- a reloaded database never repeats a number a client has seen.
CREATE TABLE DataVersion (
  id      tinyint   NOT NULL,
  version bigint    NOT NULL,
  changed timestamp NOT NULL DEFAULT CURRENT_TIMESTAMP ON UPDATE CURRENT_TIMESTAMP,
  PRIMARY KEY (id)
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4 COLLATE=utf8mb4_general_ci;
INSERT INTO DataVersion (id, version) VALUES (1, FLOOR(UNIX_TIMESTAMP(NOW(6)) * 1000000));

-- One row per application key ("Velartis1.3") the server accepts.
CREATE TABLE TeamMsg (
  msg_id      int          NOT NULL AUTO_INCREMENT,
  application varchar(20)  NOT NULL,
  msg         varchar(351) NOT NULL DEFAULT '',   -- "\n" written as backslash + n
  CRC         char(2)      NOT NULL DEFAULT '00', -- "00": no build check
  CRCLinux    char(2)      NOT NULL DEFAULT '00',
  show_forum  char(1)      NOT NULL DEFAULT 'N',
  in_use      char(1)      NOT NULL DEFAULT 'Y',
  PRIMARY KEY (msg_id),
  KEY idx_teammsg_app (application, in_use)
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4 COLLATE=utf8mb4_general_ci;

CREATE TABLE BrenikToolsCounter (
  application varchar(20) NOT NULL,
  counter     int         NOT NULL DEFAULT 0,
  PRIMARY KEY (application)
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4 COLLATE=utf8mb4_general_ci;

CREATE TABLE Sats (
  sat_id   int         NOT NULL,
  sat_name varchar(31) NOT NULL,
  position int         NOT NULL,
  location varchar(11) NOT NULL,
  PRIMARY KEY (sat_id)
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4 COLLATE=utf8mb4_general_ci;

CREATE TABLE Transponders (
  sat_id     int         NOT NULL,
  stp_id     int         NOT NULL,               -- unique within a satellite
  tp_name    varchar(15) NOT NULL DEFAULT '',
  frequency  int         NOT NULL,
  polarity   tinyint     NOT NULL,
  sr         int         NOT NULL,
  fec        tinyint     NOT NULL DEFAULT 0,
  modulation tinyint     NOT NULL DEFAULT 0,
  nid        varchar(4)  NOT NULL,
  tid        varchar(6)  NOT NULL,
  pilot      tinyint     NOT NULL DEFAULT 0,
  flag_feed  tinyint     NOT NULL DEFAULT 0,     -- 1: occasional or feed
  PRIMARY KEY (sat_id, stp_id),
  KEY idx_tp_freq (sat_id, frequency)
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4 COLLATE=utf8mb4_general_ci;

CREATE TABLE Channels (
  sat_id    int         NOT NULL,
  stp_id    int         NOT NULL,
  sid       varchar(4)  NOT NULL,
  ch_name   varchar(40) NOT NULL,
  ch_type   tinyint     NOT NULL DEFAULT 0,
  vpid      varchar(4)  NOT NULL DEFAULT '0000',
  pmt_pid   varchar(4)  NOT NULL DEFAULT '0000',
  pcr_pid   varchar(4)  NOT NULL DEFAULT '0000',
  txt_pid   varchar(4)  NOT NULL DEFAULT '0000',
  subtitle  tinyint     NOT NULL DEFAULT 0,
  scrambled tinyint     NOT NULL DEFAULT 0,
  locked    tinyint     NOT NULL DEFAULT 0,
  skip      tinyint     NOT NULL DEFAULT 0,
  dupdpid   tinyint     NOT NULL DEFAULT 0,
  dupdname  tinyint     NOT NULL DEFAULT 0,
  dupdsid   tinyint     NOT NULL DEFAULT 0,
  cat_id    int         NOT NULL,
  hd        tinyint     NOT NULL DEFAULT 0,
  d3        tinyint     NOT NULL DEFAULT 0,
  PRIMARY KEY (sat_id, stp_id, sid)
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4 COLLATE=utf8mb4_general_ci;

CREATE TABLE Bouquets (
  bou_id   int         NOT NULL,               -- below 1000: virtual satellites
  bou_name varchar(31) NOT NULL,               -- are numbered sat_id * 1000 + id
  nat_id   int         NOT NULL,
  sort_id  int         NOT NULL DEFAULT 0,
  PRIMARY KEY (bou_id),
  KEY idx_bou_sort (sort_id, bou_id)
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4 COLLATE=utf8mb4_general_ci;

-- A channel may sit in several bouquets of its satellite.
CREATE TABLE ChannelBouquet (
  sat_id  int        NOT NULL,
  stp_id  int        NOT NULL,
  sid     varchar(4) NOT NULL,
  bou_id  int        NOT NULL,
  sort_id int        NOT NULL DEFAULT 0,       -- order within the bouquet
  PRIMARY KEY (sat_id, stp_id, sid, bou_id),
  KEY idx_cb_bou (sat_id, bou_id, sort_id)
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4 COLLATE=utf8mb4_general_ci;

CREATE TABLE Languages (
  lang_id   int        NOT NULL,
  lang_name varchar(7) NOT NULL,               -- ISO 639-2 code, e.g. "deu"
  PRIMARY KEY (lang_id)
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4 COLLATE=utf8mb4_general_ci;

CREATE TABLE ChannelAudio (
  sat_id  int        NOT NULL,
  stp_id  int        NOT NULL,
  sid     varchar(4) NOT NULL,
  sort_id int        NOT NULL,                 -- track order, first = default
  apid    varchar(4) NOT NULL,
  lang_id int        NOT NULL,
  ac3     tinyint    NOT NULL DEFAULT 0,
  dts     tinyint    NOT NULL DEFAULT 0,
  PRIMARY KEY (sat_id, stp_id, sid, sort_id)
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4 COLLATE=utf8mb4_general_ci;

-- The key keeps the rows of one channel in cas_id order, the order the
-- CAS query returns them in.
CREATE TABLE ChannelCas (
  sat_id int        NOT NULL,
  stp_id int        NOT NULL,
  sid    varchar(4) NOT NULL,
  cas_id int        NOT NULL,
  PRIMARY KEY (sat_id, stp_id, sid, cas_id)
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4 COLLATE=utf8mb4_general_ci;

CREATE TABLE Favorites (
  fav_id   int         NOT NULL,
  fav_name varchar(27) NOT NULL,
  enable   char(1)     NOT NULL DEFAULT '1',   -- '0': hidden from every list
  sort_id  int         NOT NULL DEFAULT 0,
  PRIMARY KEY (fav_id),
  KEY idx_fav_sort (sort_id)
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4 COLLATE=utf8mb4_general_ci;

-- bou_id names the bouquet copy of the channel that the group links to.
CREATE TABLE ChannelFavorite (
  sat_id  int        NOT NULL,
  stp_id  int        NOT NULL,
  sid     varchar(4) NOT NULL,
  bou_id  int        NOT NULL,
  fav_id  int        NOT NULL,
  sort_id int        NOT NULL DEFAULT 0,       -- order within the group
  PRIMARY KEY (sat_id, fav_id, stp_id, sid, bou_id),
  KEY idx_cf_sort (sat_id, fav_id, sort_id)
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4 COLLATE=utf8mb4_general_ci;
