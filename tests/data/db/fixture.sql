-- Small channel database for the download tests, loaded into `velartis`
-- after tools/schema.sql (as root, so it also makes the variant databases
-- at the end). Every row is here for a case of tests/download; the counts
-- the tests expect are worked out in the comments.
--
-- Satellites: 192 (3 transponders, stp 3 is a feed), 130 (2), 300 (one
-- channel with more audio tracks and CAS ids than a channel holds), 1000
-- (bouquet 1000: the pair the jobs start their "previous bouquet" with;
-- its one channel is also in favourite group 2).
-- Categories 1..4. Languages 1 ita, 2 eng, 3 fra, 4 deu.
--
-- Bouquets of 192, in query order (sort_id, bou_id, TV first, cb.sort_id):
--   10 "Bouquet Alpha"   : 0101 0102 0103 | radio 0104
--   20 "Bouquet Beta..." : 0101 0201 0202 | radio 0105   (0101 twice in the list)
--   30 "Feeds"           : 0301 (on the feed transponder)
--   50 "Excluded One"    : 0203 0204
-- Bouquet of 130: 40 "Hotbird Pack": 1101 1201 | radio 1102

SET NAMES latin1;

INSERT INTO TeamMsg (application, msg, CRC, CRCLinux, show_forum, in_use) VALUES
  -- Two rows for one key: the forum flag of any row counts, the message of the last.
  ('Velartis1.3', 'first row', '00', '00', 'Y', 'Y'),
  ('Velartis1.3', 'Fixture server\\nsecond line \\x kept', '77', '4C', 'N', 'Y'),
  ('Velartis1.3', 'row not in use', '00', '00', 'N', 'N'),
  ('Velartis1.3c', 'counter key', '00', '00', 'N', 'Y'),
  ('Velartis1.3n', 'no counter row for this key', '00', '00', 'N', 'Y'),
  -- The server declares this build outdated.
  ('Velartis9.9', 'outdated', '00', '01', 'N', 'Y'),
  ('Velartis0.9', 'not in use', '00', '00', 'Y', 'N');

INSERT INTO BrenikToolsCounter (application, counter) VALUES
  ('Velartis1.3', 0),
  ('Velartis1.3c', 41),
  ('VelartisRace', 0);

INSERT INTO Sats (sat_id, sat_name, position, location) VALUES
  (192, 'Astra 19.2E', 192, '19.2E'),
  (130, 'Hotbird 13.0E Extra Long Name X', 130, '13.0E'),
  (300, 'Crowded', 300, '30.0E'),
  (1000, 'Edge Sat', 1000, '100.0E');

INSERT INTO Transponders (sat_id, stp_id, tp_name, frequency, polarity, sr, fec, modulation,
                          nid, tid, pilot, flag_feed) VALUES
  (192, 1, 'TP 1', 11494, 1, 22000, 2, 1, '0001', '0437', 1, 0),
  (192, 2, 'TP 2', 10744, 0, 22000, 4, 0, '0001', '0401', 0, 0),
  (192, 3, 'Feed TP', 12603, 1, 6111, 3, 2, '0002', '1F40A0', 2, 1),
  (130, 1, 'HB 1', 11034, 0, 27500, 3, 0, '013E', '1388', 0, 0),
  (130, 2, 'HB 2', 12111, 1, 27500, 3, 1, '013E', '1389', 0, 0),
  (300, 1, 'C 1', 11000, 0, 27500, 3, 0, '0003', '0001', 0, 0),
  (1000, 1, 'E 1', 12000, 1, 27500, 3, 0, '0004', '0001', 0, 0);

-- 0103 is named "Télé 3D €", given as Windows-1252 bytes.
INSERT INTO Channels (sat_id, stp_id, sid, ch_name, ch_type, vpid, pmt_pid, pcr_pid, txt_pid,
                      subtitle, scrambled, locked, skip, dupdpid, dupdname, dupdsid, cat_id,
                      hd, d3) VALUES
  (192, 1, '0101', 'Alpha One', 0, '0A01', '0B01', '0C01', '0D01', 1, 0, 0, 0, 0, 0, 0, 1, 0, 0),
  (192, 1, '0102', 'Alpha Two HD', 0, '0A02', '0B02', '0C02', '0000', 0, 1, 0, 0, 1, 0, 1, 2, 1, 0),
  (192, 1, '0103', _latin1 X'54E96CE92033442080', 0, '0A03', '0B03', '0C03', '0000', 0, 0, 0, 0, 0, 0, 0, 1, 0, 1),
  (192, 1, '0104', 'Radio Alpha', 1, '0000', '0B04', '0C04', '0000', 0, 0, 0, 0, 0, 0, 0, 1, 0, 0),
  (192, 1, '0105', 'Radio Coded', 1, '0000', '0B05', '0C05', '0000', 0, 1, 0, 0, 0, 0, 0, 2, 0, 0),
  (192, 2, '0201', 'Beta News', 0, '0A21', '0B21', '0C21', '0D21', 0, 0, 0, 0, 0, 0, 0, 2, 0, 0),
  (192, 2, '0202', 'Beta Sport Coded', 0, '0A22', '0B22', '0C22', '0000', 0, 1, 0, 0, 0, 0, 0, 3, 0, 0),
  (192, 2, '0203', 'Adult Channel', 0, '0A23', '0B23', '0C23', '0000', 0, 1, 1, 1, 0, 1, 0, 4, 0, 0),
  (192, 2, '0204', 'A Channel Name That Is Far Too Long', 0, '0A24', '0B24', '0C24', '0000', 0, 0, 0, 0, 0, 0, 0, 1, 0, 0),
  (192, 3, '0301', 'Feed One', 0, '0A31', '0B31', '0C31', '0000', 0, 0, 0, 0, 0, 0, 0, 1, 0, 0),
  (130, 1, '1101', 'Hot One', 0, '1A01', '1B01', '1C01', '0000', 0, 0, 0, 0, 0, 0, 0, 1, 0, 0),
  (130, 1, '1102', 'Hot Radio', 1, '0000', '1B02', '1C02', '0000', 0, 0, 0, 0, 0, 0, 0, 1, 0, 0),
  (130, 2, '1201', 'Hot Two', 0, '1A21', '1B21', '1C21', '0000', 0, 1, 0, 0, 0, 0, 0, 2, 1, 0),
  (300, 1, '3001', 'Many Tracks', 0, '3A01', '3B01', '3C01', '0000', 0, 1, 0, 0, 0, 0, 0, 1, 0, 0),
  (1000, 1, 'E001', 'Edge One', 0, 'EA01', 'EB01', 'EC01', '0000', 0, 0, 0, 0, 0, 0, 0, 1, 0, 0);

INSERT INTO Bouquets (bou_id, bou_name, nat_id, sort_id) VALUES
  (10, 'Bouquet Alpha', 2, 1),
  (20, 'Bouquet Beta Very Long Name X', 3, 2),
  (30, 'Feeds', 11, 3),
  (50, 'Excluded One', 1, 4),
  (40, 'Hotbird Pack', 1, 1),
  (60, 'Crowded Pack', 1, 1),
  (1000, 'Edge Bouquet', 4, 9);

INSERT INTO ChannelBouquet (sat_id, stp_id, sid, bou_id, sort_id) VALUES
  (192, 1, '0101', 10, 1),
  (192, 1, '0102', 10, 2),
  (192, 1, '0103', 10, 3),
  (192, 1, '0104', 10, 4),
  (192, 1, '0105', 20, 1),
  (192, 1, '0101', 20, 2),
  (192, 2, '0201', 20, 3),
  (192, 2, '0202', 20, 4),
  (192, 3, '0301', 30, 1),
  (192, 2, '0203', 50, 1),
  (192, 2, '0204', 50, 2),
  (130, 1, '1101', 40, 1),
  (130, 1, '1102', 40, 2),
  (130, 2, '1201', 40, 3),
  (300, 1, '3001', 60, 1),
  (1000, 1, 'E001', 1000, 1);

INSERT INTO Languages (lang_id, lang_name) VALUES
  (1, 'ita'), (2, 'eng'), (3, 'fra'), (4, 'deu');

-- The row of 130/1/0101 has no channel: audio is matched by satellite too.
INSERT INTO ChannelAudio (sat_id, stp_id, sid, sort_id, apid, lang_id, ac3, dts) VALUES
  (192, 1, '0101', 1, '0111', 4, 0, 0),
  (192, 1, '0101', 2, '0112', 2, 1, 0),
  (192, 1, '0102', 1, '0121', 1, 0, 0),
  (192, 2, '0201', 1, '0211', 3, 0, 1),
  (130, 1, '1101', 1, '1111', 1, 0, 0),
  (130, 1, '0101', 1, '9999', 2, 0, 0),
  -- Under the marker id on a marker's transponder: a marker takes none.
  (192, 1, 'FFFF', 1, '0FFF', 1, 0, 0);

INSERT INTO ChannelCas (sat_id, stp_id, sid, cas_id) VALUES
  (192, 1, '0102', 1),
  (192, 1, '0102', 5),
  (192, 1, '0105', 1),
  (192, 2, '0202', 7),
  (192, 2, '0203', 3),
  (130, 2, '1201', 2),
  (192, 1, 'FFFF', 9);

-- 31 audio tracks and 31 CAS ids on one channel: two of each too many.
INSERT INTO ChannelAudio (sat_id, stp_id, sid, sort_id, apid, lang_id, ac3, dts)
  SELECT 300, 1, '3001', seq, LPAD(HEX(seq + 0x300), 4, '0'), 1 + seq % 4, 0, 0 FROM seq_1_to_31;
INSERT INTO ChannelCas (sat_id, stp_id, sid, cas_id) SELECT 300, 1, '3001', seq FROM seq_0_to_30;

-- Favourite groups in sort order: 2, 1, (3 disabled), 4.
INSERT INTO Favorites (fav_id, fav_name, enable, sort_id) VALUES
  (1, 'News Fav', '1', 2),
  (2, 'Sport Fav', '1', 1),
  (3, 'Disabled', '0', 3),
  (4, 'Hot Fav Group Name Longer', '1', 4);

-- Links name one bouquet copy of a channel: 0101 is linked in bouquet 10
-- by group 1 and in bouquet 20 by group 2.
INSERT INTO ChannelFavorite (sat_id, stp_id, sid, bou_id, fav_id, sort_id) VALUES
  (192, 1, '0101', 10, 1, 1),
  (192, 2, '0201', 20, 1, 2),
  (192, 1, '0104', 10, 1, 3),
  (192, 2, '0202', 20, 2, 1),
  (192, 1, '0101', 20, 2, 2),
  (192, 1, '0102', 10, 3, 1),
  (192, 2, '0203', 50, 4, 1),
  (130, 1, '1101', 40, 4, 1),
  (130, 1, '1102', 40, 4, 2),
  (1000, 1, 'E001', 1000, 2, 1);

-- Variants on the same server, each a database of its own.
-- velartis_nocas: the fixture without ChannelCas, so the CAS query fails
-- after the channels are in.
DROP DATABASE IF EXISTS velartis_nocas;
CREATE DATABASE velartis_nocas CHARACTER SET utf8mb4 COLLATE utf8mb4_general_ci;
CREATE TABLE velartis_nocas.TeamMsg LIKE velartis.TeamMsg;
INSERT INTO velartis_nocas.TeamMsg SELECT * FROM velartis.TeamMsg;
CREATE TABLE velartis_nocas.BrenikToolsCounter LIKE velartis.BrenikToolsCounter;
INSERT INTO velartis_nocas.BrenikToolsCounter SELECT * FROM velartis.BrenikToolsCounter;
CREATE TABLE velartis_nocas.Sats LIKE velartis.Sats;
INSERT INTO velartis_nocas.Sats SELECT * FROM velartis.Sats;
CREATE TABLE velartis_nocas.Transponders LIKE velartis.Transponders;
INSERT INTO velartis_nocas.Transponders SELECT * FROM velartis.Transponders;
CREATE TABLE velartis_nocas.Channels LIKE velartis.Channels;
INSERT INTO velartis_nocas.Channels SELECT * FROM velartis.Channels;
CREATE TABLE velartis_nocas.Bouquets LIKE velartis.Bouquets;
INSERT INTO velartis_nocas.Bouquets SELECT * FROM velartis.Bouquets;
CREATE TABLE velartis_nocas.ChannelBouquet LIKE velartis.ChannelBouquet;
INSERT INTO velartis_nocas.ChannelBouquet SELECT * FROM velartis.ChannelBouquet;
CREATE TABLE velartis_nocas.Languages LIKE velartis.Languages;
INSERT INTO velartis_nocas.Languages SELECT * FROM velartis.Languages;
CREATE TABLE velartis_nocas.ChannelAudio LIKE velartis.ChannelAudio;
INSERT INTO velartis_nocas.ChannelAudio SELECT * FROM velartis.ChannelAudio;
CREATE TABLE velartis_nocas.Favorites LIKE velartis.Favorites;
INSERT INTO velartis_nocas.Favorites SELECT * FROM velartis.Favorites;
CREATE TABLE velartis_nocas.ChannelFavorite LIKE velartis.ChannelFavorite;
INSERT INTO velartis_nocas.ChannelFavorite SELECT * FROM velartis.ChannelFavorite;

-- velartis_empty: no tables at all, so even the message query fails.
DROP DATABASE IF EXISTS velartis_empty;
CREATE DATABASE velartis_empty CHARACTER SET utf8mb4 COLLATE utf8mb4_general_ci;

GRANT ALL PRIVILEGES ON velartis_nocas.* TO 'vauser'@'127.0.0.1';
GRANT ALL PRIVILEGES ON velartis_nocas.* TO 'vauser'@'localhost';
GRANT ALL PRIVILEGES ON velartis_empty.* TO 'vauser'@'127.0.0.1';
GRANT ALL PRIVILEGES ON velartis_empty.* TO 'vauser'@'localhost';
