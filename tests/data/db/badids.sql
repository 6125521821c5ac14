-- Ids and PIDs the jobs must not pass on, loaded into `velartis_badids`
-- after tools/schema.sql. The id columns are widened and made nullable
-- here so that the server can hold what a careless import would leave.
--
-- Satellite 500, bouquet 70, favourite group 1. Transponders:
--   1 good; 2 nid 'XYZW'; 3 tid NULL; 4 good (lower case nid, six-digit
--   tid); 5 tid of seven digits. The channels of 2, 3 and 5 go with them.
-- Channels of transponder 1 in bouquet order: 0101 and 010a keep, radio
-- 0109 keeps; each of the others has one bad id.

SET NAMES latin1;

ALTER TABLE Transponders MODIFY nid varchar(8) NULL, MODIFY tid varchar(8) NULL;
ALTER TABLE Channels MODIFY sid varchar(8) NOT NULL, MODIFY vpid varchar(8) NULL,
  MODIFY pmt_pid varchar(8) NULL, MODIFY pcr_pid varchar(8) NULL, MODIFY txt_pid varchar(8) NULL;
ALTER TABLE ChannelBouquet MODIFY sid varchar(8) NOT NULL;
ALTER TABLE ChannelAudio DROP PRIMARY KEY, MODIFY sid varchar(8) NULL, MODIFY apid varchar(8) NULL;
ALTER TABLE ChannelCas DROP PRIMARY KEY, MODIFY sid varchar(8) NULL;
ALTER TABLE ChannelFavorite MODIFY sid varchar(8) NOT NULL;

INSERT INTO TeamMsg (application, msg, CRC, CRCLinux, show_forum, in_use) VALUES
  ('Velartis1.3', 'Bad ids', '00', '00', 'N', 'Y');
INSERT INTO BrenikToolsCounter (application, counter) VALUES ('Velartis1.3', 0);
INSERT INTO Sats (sat_id, sat_name, position, location) VALUES (500, 'Bad Ids Sat', 500, '50.0E');

INSERT INTO Transponders (sat_id, stp_id, tp_name, frequency, polarity, sr, fec, modulation,
                          nid, tid, pilot, flag_feed) VALUES
  (500, 1, 'Good', 11001, 0, 27500, 3, 0, '0001', '0010', 0, 0),
  (500, 2, 'Bad nid', 11002, 0, 27500, 3, 0, 'XYZW', '0020', 0, 0),
  (500, 3, 'Null tid', 11003, 0, 27500, 3, 0, '0003', NULL, 0, 0),
  (500, 4, 'Good too', 11004, 1, 27500, 3, 0, 'ab12', '1F40A0', 0, 0),
  (500, 5, 'Long tid', 11005, 1, 27500, 3, 0, '0005', '1234567', 0, 0);

INSERT INTO Channels (sat_id, stp_id, sid, ch_name, ch_type, vpid, pmt_pid, pcr_pid, txt_pid,
                      cat_id) VALUES
  (500, 1, '0101', 'Good One', 0, '0A01', '0B01', '0C01', '0D01', 1),
  (500, 1, 'GGGG', 'Sid Not Hex', 0, '0A02', '0B02', '0C02', '0000', 1),
  (500, 1, ' 107', 'Sid Blank', 0, '0A07', '0B07', '0C07', '0000', 1),
  (500, 1, '01010', 'Sid Too Long', 0, '0A08', '0B08', '0C08', '0000', 1),
  (500, 1, '0103', 'Vpid Not Hex', 0, 'ZZZZ', '0B03', '0C03', '0000', 1),
  (500, 1, '0104', 'Pmt Empty', 0, '0A04', '', '0C04', '0000', 1),
  (500, 1, '0105', 'Pcr Null', 0, '0A05', '0B05', NULL, '0000', 1),
  (500, 1, '0106', 'Txt Too Long', 0, '0A06', '0B06', '0C06', '12345', 1),
  (500, 1, '010a', 'Lower Case', 0, '0a0a', '0b0a', '0c0a', '0000', 1),
  (500, 1, '0109', 'Good Radio', 1, '0000', '0B09', '0C09', '0000', 1),
  (500, 2, '0201', 'On Bad Nid', 0, '0A21', '0B21', '0C21', '0000', 1),
  (500, 2, '0202', 'On Bad Nid 2', 0, '0A22', '0B22', '0C22', '0000', 1),
  (500, 3, '0301', 'On Null Tid', 0, '0A31', '0B31', '0C31', '0000', 1),
  (500, 4, '0401', 'Good Four', 0, '0A41', '0B41', '0C41', '0000', 1),
  (500, 5, '0501', 'On Long Tid', 0, '0A51', '0B51', '0C51', '0000', 1);

INSERT INTO Bouquets (bou_id, bou_name, nat_id, sort_id) VALUES (70, 'Bad Bouquet', 1, 1);
INSERT INTO ChannelBouquet (sat_id, stp_id, sid, bou_id, sort_id)
  SELECT sat_id, stp_id, sid, 70, 100 * stp_id + ROW_NUMBER() OVER (ORDER BY stp_id, ch_name)
  FROM Channels;

INSERT INTO Languages (lang_id, lang_name) VALUES (1, 'ita');
-- '010A' joins the channel '010a' as the server's comparison does.
INSERT INTO ChannelAudio (sat_id, stp_id, sid, sort_id, apid, lang_id, ac3, dts) VALUES
  (500, 1, '0101', 1, '0111', 1, 0, 0),
  (500, 1, '0101', 2, 'XYZ1', 1, 0, 0),
  (500, 1, '0101', 3, NULL, 1, 0, 0),
  (500, 1, NULL, 4, '0114', 1, 0, 0),
  (500, 1, '0101', 5, '0115', 1, 1, 0),
  (500, 1, '010A', 1, '011a', 1, 0, 0);
INSERT INTO ChannelCas (sat_id, stp_id, sid, cas_id) VALUES
  (500, 1, '0101', 5), (500, 1, '01G1', 6), (500, 1, NULL, 7);

INSERT INTO Favorites (fav_id, fav_name, enable, sort_id) VALUES (1, 'Bad Fav', '1', 1);
INSERT INTO ChannelFavorite (sat_id, stp_id, sid, bou_id, fav_id, sort_id) VALUES
  (500, 1, '0101', 70, 1, 1), (500, 1, 'GGGG', 70, 1, 2), (500, 4, '0401', 70, 1, 3),
  (500, 1, '010A', 70, 1, 4);
