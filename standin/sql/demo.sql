-- The Vidrol demo database: towns, customers, products, invoices and their lines,
-- a price list that holds one key three times, documents with text and image
-- columns, a view, and the key-description table MorvinaIndex.
CREATE DATABASE Vidrol
GO
USE Vidrol
GO
CREATE TABLE [Kraji] (
    [PostnaSt] int NOT NULL PRIMARY KEY,
    [Naziv] nvarchar(40) NOT NULL
)
INSERT INTO [Kraji] ([PostnaSt], [Naziv]) VALUES
    (1000, N'Ljubljana'), (2000, N'Maribor'), (3000, N'Celje'), (3310, N'Žalec'),
    (4000, N'Kranj'), (4220, N'Škofja Loka'), (6000, N'Koper'), (8000, N'Novo mesto'),
    (8340, N'Črnomelj'), (9000, N'Murska Sobota')
GO
CREATE TABLE [Stranke] (
    [Sifra] int NOT NULL PRIMARY KEY,
    [Naziv] nvarchar(60) NOT NULL,
    [Naslov] nvarchar(60) NULL,
    [PostnaSt] int NULL REFERENCES [Kraji] ([PostnaSt]),
    [DavcnaSt] char(8) NOT NULL,
    [Vpisana] datetime NULL
)
CREATE UNIQUE INDEX [IX_Stranke_DavcnaSt] ON [Stranke] ([DavcnaSt])
INSERT INTO [Stranke] VALUES
    (1, N'Čebelarstvo Žužek d.o.o.', N'Šmartinska 12', 1000, '12345678', '2019-03-04 08:15:00'),
    (2, N'Mlinarstvo Šušteršič', N'Glavni trg 3', 2000, '23456789', '2020-11-21 12:00:00'),
    (3, N'Kovinarstvo Čuk s.p.', N'Ulica heroja Šaranoviča 7', 1000, '34567890', '2021-01-15 09:30:00'),
    (4, N'Žaga Krže', NULL, 3310, '45678901', NULL),
    (5, N'Trgovina Ščavničar', N'Prešernova 22', 9000, '56789012', '2022-06-30 16:45:10'),
    (6, N'Vinotoč Hočevar', N'Cesta v Štanjel 4', 6000, '67890123', '2023-09-01 07:00:00')
GO
CREATE TABLE [Artikli] (
    [Sifra] nvarchar(10) NOT NULL PRIMARY KEY,
    [Naziv] nvarchar(50) NOT NULL,
    [EM] nchar(3) NOT NULL,
    [Cena] money NOT NULL,
    [Zaloga] decimal(12,3) NULL,
    [Aktiven] bit NOT NULL
)
INSERT INTO [Artikli] VALUES
    (N'MED-01', N'Cvetlični med', N'kg', 9.5, 120.5, 1),
    (N'MED-02', N'Kostanjev med', N'kg', 11.2, 48, 1),
    (N'MOK-01', N'Ajdova moka', N'kg', 3.85, 300.25, 1),
    (N'MOK-02', N'Pšenična moka T-500', N'kg', 1.2, 0, 1),
    (N'ŽEB-10', N'Žeblji 10 cm', N'kos', 0.05, 15000, 1),
    (N'VIN-01', N'Refošk', N'l', 6.4, NULL, 0)
GO
CREATE TABLE [Racuni] (
    [Leto] smallint NOT NULL,
    [Stevilka] int NOT NULL,
    [Stranka] int NOT NULL REFERENCES [Stranke] ([Sifra]),
    [Datum] datetime NOT NULL,
    [Znesek] decimal(12,2) NOT NULL,
    [Opomba] nvarchar(200) NULL,
    CONSTRAINT [PK_Racuni] PRIMARY KEY ([Leto], [Stevilka])
)
INSERT INTO [Racuni] VALUES
    (2023, 1, 1, '2023-01-10 10:00:00', 95.00, NULL),
    (2023, 2, 2, '2023-02-14 11:30:00', 38.50, N'Plačano z gotovino'),
    (2023, 3, 5, '2023-05-05 08:05:00', 750.00, NULL),
    (2024, 1, 3, '2024-01-08 13:20:00', 12.40, N'Dostava v Škofjo Loko'),
    (2024, 2, 1, '2024-03-18 09:45:30', 224.00, NULL)
GO
CREATE TABLE [Postavke] (
    [Leto] smallint NOT NULL,
    [Stevilka] int NOT NULL,
    [Vrstica] smallint NOT NULL,
    [Artikel] nvarchar(10) NOT NULL REFERENCES [Artikli] ([Sifra]),
    [Kolicina] decimal(12,3) NOT NULL,
    [Cena] money NOT NULL,
    CONSTRAINT [PK_Postavke] PRIMARY KEY ([Leto], [Stevilka], [Vrstica])
)
CREATE INDEX [IX_Postavke_Artikel] ON [Postavke] ([Artikel], [Leto])
INSERT INTO [Postavke] VALUES
    (2023, 1, 1, N'MED-01', 10, 9.5),
    (2023, 2, 1, N'MOK-01', 10, 3.85),
    (2023, 3, 1, N'ŽEB-10', 15000, 0.05),
    (2024, 1, 1, N'MOK-02', 4, 1.2),
    (2024, 1, 2, N'ŽEB-10', 152, 0.05),
    (2024, 2, 1, N'MED-02', 20, 11.2)
GO
-- A price list without a key of its own: MED-01 from 2024-01-01 is entered three times.
CREATE TABLE [Cenik] (
    [Artikel] nvarchar(10) NOT NULL,
    [Velja] datetime NOT NULL,
    [Cena] money NOT NULL
)
INSERT INTO [Cenik] VALUES
    (N'MED-01', '2023-01-01 00:00:00', 9.0),
    (N'MED-01', '2024-01-01 00:00:00', 9.5),
    (N'MED-01', '2024-01-01 00:00:00', 9.5),
    (N'MED-01', '2024-01-01 00:00:00', 9.6),
    (N'MOK-01', '2024-01-01 00:00:00', 3.85),
    (N'MOK-02', '2023-06-01 00:00:00', 1.1),
    (N'MOK-02', '2024-01-01 00:00:00', 1.2)
GO
CREATE TABLE [Dokumenti] (
    [Id] int NOT NULL PRIMARY KEY,
    [Naslov] nvarchar(80) NOT NULL,
    [Vsebina] text NULL,
    [Slika] image NULL
)
INSERT INTO [Dokumenti] VALUES
    (1, N'Splošni pogoji', N'Splošni pogoji poslovanja. Kupec plača račun v 30 dneh od izdaje. Reklamacije sprejemamo pisno v osmih dneh po prevzemu blaga. Za spore je pristojno sodišče v Ljubljani. Čebele, šipek in žajbelj so naši zaščitni znaki.', 0x89504E470D0A1A0A0000000D4948445200000001000000010806000000),
    (2, N'Cenik 2024', N'Cene veljajo od 1. januarja 2024 do preklica.', NULL),
    (3, N'Prazen dokument', NULL, NULL)
GO
CREATE TABLE [MorvinaIndex] (
    [TableName] nvarchar(128) NOT NULL,
    [FieldsName] nvarchar(255) NOT NULL
)
INSERT INTO [MorvinaIndex] VALUES
    (N'Artikli', N'Sifra'),
    (N'Cenik', N'Artikel;Velja'),
    (N'Kraji', N'PostnaSt'),
    (N'Postavke', N'Leto;Stevilka;Vrstica'),
    (N'Racuni', N'Leto;Stevilka'),
    (N'Stranke', N'Sifra')
GO
CREATE VIEW [vRacuni] AS
    SELECT r.[Leto], r.[Stevilka], s.[Naziv] AS [Stranka], k.[Naziv] AS [Kraj], r.[Datum], r.[Znesek]
    FROM [Racuni] r
    JOIN [Stranke] s ON s.[Sifra] = r.[Stranka]
    LEFT JOIN [Kraji] k ON k.[PostnaSt] = s.[PostnaSt]
GO
USE master
GO
EXEC sp_defaultdb 'sa', 'Vidrol'
GO
-- Stored procedures: a result for an input parameter, a total through an output
-- parameter, a count as the return value, and a list without parameters.
USE Vidrol
GO
CREATE PROCEDURE [StrankeVKraju] @PostnaSt int
AS
    SELECT [Sifra], [Naziv], [Naslov] FROM [Stranke] WHERE [PostnaSt] = @PostnaSt ORDER BY [Sifra]
GO
CREATE PROCEDURE [ZnesekRacunov] (@Leto smallint, @Skupaj decimal(12,2) OUTPUT, @Stevilo int = NULL OUTPUT)
AS
BEGIN
    SET NOCOUNT ON
    SELECT @Skupaj = ISNULL(SUM([Znesek]), 0), @Stevilo = COUNT(*) FROM [Racuni] WHERE [Leto] = @Leto
END
GO
CREATE PROCEDURE [SteviloStrank] @PostnaSt int = NULL
AS
    RETURN (SELECT COUNT(*) FROM [Stranke] WHERE @PostnaSt IS NULL OR [PostnaSt] = @PostnaSt)
GO
CREATE PROCEDURE [SeznamArtiklov]
AS
    SELECT [Sifra], [Naziv], [EM], [Cena] FROM [Artikli] WHERE [Aktiven] = 1 ORDER BY [Sifra]
GO
USE master
GO
